// Compressed self-extracting blocks: the stream rules, the fast search against
// a plain exhaustive search, and the planted blocks run on an emulated Z80.

#include <gtest/gtest.h>
#include <z80ex/z80ex.h>

#include <random>
#include <set>

#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The search exactly as the rules describe it: every earlier position in
// turn, counted byte by byte up to the block's end; a later candidate wins
// only when strictly longer. The first position is no candidate at address 0.
BlockMatch ExhaustiveSearch(const Bytes& b, int32_t cur, bool firstExcluded) {
  BlockMatch best;
  const int32_t n = static_cast<int32_t>(b.size());
  for (int32_t a = firstExcluded ? 1 : 0; a < cur; ++a) {
    int32_t i = 0;
    while (cur + i < n && b[a + i] == b[cur + i]) ++i;
    if (i > best.length) best = {a, i};
  }
  return best;
}

Bytes ReferenceStream(const Bytes& b, uint16_t base) {
  return BuildStream(b, base, [&](int32_t cur) { return ExhaustiveSearch(b, cur, base == 0); });
}

// What the expand routine does with a stream, written from the token table.
Bytes Expand(const Bytes& s, uint16_t base) {
  std::vector<uint8_t> mem(0x10000, 0);
  size_t i = 0;
  uint32_t de = base;
  for (;;) {
    uint8_t t = s.at(i++);
    if (t == 0xAA) {
      uint8_t v = s.at(i++);
      int n = s.at(i++);
      for (int k = 0; k < (n ? n : 256); ++k) mem[de++ & 0xFFFF] = v;
    } else if (t == 0xAB) {
      uint16_t from = static_cast<uint16_t>(s.at(i) | s.at(i + 1) << 8);
      i += 2;
      if (from == 0) break;
      int n = s.at(i++);
      for (int k = 0; k < (n ? n : 256); ++k) mem[de++ & 0xFFFF] = mem[from++];
    } else {
      mem[de++ & 0xFFFF] = t;
    }
  }
  EXPECT_EQ(i, s.size()) << "bytes after the end marker";
  return Bytes(mem.begin() + base, mem.begin() + de);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kEnd = {0xAB, 0x00, 0x00};

TEST(CompressStream, RunsLiteralsAndEscapes) {
  EXPECT_EQ(CompressStream(Bytes(300, 0), 0x8000), Cat({{0xAA, 0, 0, 0xAA, 0, 44}, kEnd}));
  EXPECT_EQ(CompressStream(Bytes(256, 7), 0x8000), Cat({{0xAA, 7, 0}, kEnd}));
  EXPECT_EQ(CompressStream(Bytes(257, 7), 0x8000), Cat({{0xAA, 7, 0, 7}, kEnd}));
  EXPECT_EQ(CompressStream(Bytes(513, 9), 0x8000), Cat({{0xAA, 9, 0, 0xAA, 9, 0, 9}, kEnd}));
  EXPECT_EQ(CompressStream(Bytes{0xAA}, 0x8000), Cat({{0xAA, 0xAA, 1}, kEnd}));
  EXPECT_EQ(CompressStream(Bytes{0xAB, 0xAB}, 0x8000), Cat({{0xAA, 0xAB, 2}, kEnd}));
  EXPECT_EQ(CompressStream(Of("AAA"), 0x8000), Cat({Of("AAA"), kEnd}));
  EXPECT_EQ(CompressStream(Of("AAAA"), 0x8000), Cat({{0xAA, 'A', 4}, kEnd}));
  EXPECT_EQ(CompressStream(Of("xAAAy"), 0x8000), Cat({Of("xAAAy"), kEnd}));
  // Nothing to compress: only the end marker, no byte outside the range.
  EXPECT_EQ(CompressStream(Bytes{}, 0x8000), kEnd);
}

TEST(CompressStream, CopiesOnlyWhereARunEndsAndLongerThanFour) {
  EXPECT_EQ(CompressStream(Of("ABCDEFABCDEF"), 0x8000),
            Cat({Of("ABCDEF"), {0xAB, 0x00, 0x80, 6}, kEnd}));
  // A match of 4 is not used, one of 5 is.
  EXPECT_EQ(CompressStream(Of("ABCDxABCD"), 0x8000), Cat({Of("ABCDxABCD"), kEnd}));
  EXPECT_EQ(CompressStream(Of("ABCDExABCDE"), 0x9000),
            Cat({Of("ABCDEx"), {0xAB, 0x00, 0x90, 5}, kEnd}));
  // The match stops at the block's end although the source goes on.
  EXPECT_EQ(CompressStream(Of("ABCDEFGHABCDEF"), 0x8000),
            Cat({Of("ABCDEFGH"), {0xAB, 0x00, 0x80, 6}, kEnd}));
  // The source may overlap the output: "xy" then a copy of 10 from itself.
  EXPECT_EQ(CompressStream(Of("xyxyxyxyxyxy"), 0x8000),
            Cat({Of("xy"), {0xAB, 0x00, 0x80, 10}, kEnd}));
  // The byte after a copy starts a run; the next search comes at its end.
  EXPECT_EQ(CompressStream(Of("ABCDEABCDEABCDEz"), 0x8000),
            Cat({Of("ABCDE"), {0xAB, 0x00, 0x80, 10}, Of("z"), kEnd}));
  // Equally long matches: the lowest address wins.
  EXPECT_EQ(CompressStream(Of("PQRSTuPQRSTvPQRST"), 0x8000),
            Cat({Of("PQRSTu"), {0xAB, 0x00, 0x80, 5}, Of("v"), {0xAB, 0x00, 0x80, 5}, kEnd}));
  // A longer later match beats an earlier shorter one.
  EXPECT_EQ(CompressStream(Of("PQRSTuPQRSTUVvPQRSTUV"), 0x8000),
            Cat({Of("PQRSTu"), {0xAB, 0x00, 0x80, 5}, Of("UVv"), {0xAB, 0x06, 0x80, 7}, kEnd}));
  // Matches are capped at 256: 2 literals then copies of 256 and 42.
  Bytes periodic;
  for (int i = 0; i < 300; ++i) periodic.push_back(i % 2 ? 'b' : 'a');
  EXPECT_EQ(CompressStream(periodic, 0x8000),
            Cat({Of("ab"), {0xAB, 0x00, 0x80, 0x00}, Of("a"), {0xAB, 0x01, 0x80, 41}, kEnd}));
}

TEST(CompressStream, NoCopyFromAddressZero) {
  // A copy from $0000 would read as the end marker.
  Bytes s = CompressStream(Of("ABCDEFABCDEF"), 0x0000);
  EXPECT_EQ(s, Cat({Of("ABCDEFA"), {0xAB, 0x01, 0x00, 5}, kEnd}));
  s = CompressStream(Of("ABCDEFGABCDEFGBCDEFG"), 0x0000);
  EXPECT_EQ(s, Cat({Of("ABCDEFGA"), {0xAB, 0x01, 0x00, 6}, Of("B"), {0xAB, 0x02, 0x00, 5}, kEnd}));
  EXPECT_EQ(Expand(s, 0), Of("ABCDEFGABCDEFGBCDEFG"));
}

// Blocks of the kinds that stress the search: random bytes, runs, repeats with
// a few changes, escape values, and copies ending at the block's end.
Bytes Generated(std::mt19937& rng, int kind) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int n = 1 + pick(kind == 5 ? 3000 : 400);
  Bytes b;
  const uint8_t alphabet[] = {0xAA, 0xAB, 0x00, 0x41};
  while (static_cast<int>(b.size()) < n) {
    switch (kind) {
      case 0:  // random bytes
        b.push_back(static_cast<uint8_t>(rng()));
        break;
      case 1:  // runs of a few values
        b.insert(b.end(), 1 + pick(300), alphabet[pick(4)]);
        break;
      case 2:  // small alphabet, including the escapes
        b.push_back(alphabet[pick(4)]);
        break;
      case 3:    // near-repeats: copy an earlier piece, change a byte
      case 5: {  // the same, longer
        if (b.size() < 8) {
          b.push_back(static_cast<uint8_t>(rng()));
          break;
        }
        size_t from = pick(static_cast<int>(b.size())), len = 1 + pick(400);
        for (size_t i = 0; i < len; ++i) b.push_back(b[from + i]);  // may overlap
        if (pick(2)) b.back() ^= static_cast<uint8_t>(1 + pick(255));
        break;
      }
      case 4:  // short period
        b.push_back(static_cast<uint8_t>("ABCABD"[b.size() % (2 + n % 5)]));
        break;
    }
  }
  b.resize(n);  // often ends inside a match
  return b;
}

TEST(CompressStream, FastSearchGivesTheReferenceStream) {
  std::mt19937 rng(20261209);
  int checked = 0;
  for (int round = 0; round < 3000; ++round) {
    int kind = round % 6;
    Bytes b = Generated(rng, kind);
    uint16_t base = round % 7 == 0 ? 0 : static_cast<uint16_t>(0x4000 + rng() % 0x8000);
    Bytes want = ReferenceStream(b, base);
    Bytes got = CompressStream(b, base);
    ASSERT_EQ(got, want) << "kind " << kind << ", round " << round << ", " << b.size() << " bytes";
    ASSERT_EQ(Expand(got, base), b);
    ++checked;
  }
  EXPECT_EQ(checked, 3000);
}

TEST(CompressStream, FastSearchFindsTheSameMatchEverywhere) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    Bytes b = Generated(rng, round % 6);
    bool excluded = round % 3 == 0;
    MatchFinder finder(b, excluded);
    for (int32_t cur = 1; cur < static_cast<int32_t>(b.size()); ++cur) {
      BlockMatch want = ExhaustiveSearch(b, cur, excluded);
      BlockMatch got = finder.Longest(cur, 0);
      ASSERT_EQ(got.length, want.length) << "round " << round << " at " << cur;
      if (want.length > 0) {
        ASSERT_EQ(got.pos, want.pos) << "round " << round << " at " << cur;
      }
    }
  }
}

TEST(CompressLayout, DirectAndRelocatingBlocks) {
  Bytes stream = Cat({Of("xyz"), kEnd});
  CompressParams p;
  p.start = 0x8000;
  p.end = 0x9000;
  p.exec = 0x8123;
  PlantedBlock d = LayOutBlock(p, stream);
  ASSERT_EQ(d.bytes.size(), 4u + 6 + 56);
  EXPECT_FALSE(d.relocating);
  EXPECT_EQ(Bytes(d.bytes.begin(), d.bytes.begin() + 4), (Bytes{0xF3, 0xC3, 0x0A, 0x5B}));
  const uint8_t* r = d.bytes.data() + 10;
  EXPECT_EQ(r[1] | r[2] << 8, 0x5B04);    // the stream
  EXPECT_EQ(r[4] | r[5] << 8, 0x8000);    // destination
  EXPECT_EQ(r[36] | r[37] << 8, 0x8123);  // JP Z,exec
  EXPECT_EQ(r[35], 0xCA);

  p.stub = 0x8800;  // inside the block: moved to the top first
  p.options = 1;
  PlantedBlock m = LayOutBlock(p, stream);
  ASSERT_EQ(m.bytes.size(), 15u + 6 + 60);
  EXPECT_TRUE(m.relocating);
  const int last = 0x8800 + 15 + 6 + 60 - 1, routine = 0x10000 - 60;
  EXPECT_EQ(Bytes(m.bytes.begin(), m.bytes.begin() + 15),
            (Bytes{0xF3, 0x21, static_cast<uint8_t>(last), static_cast<uint8_t>(last >> 8), 0x11,
                   0xFF, 0xFF, 0x01, 66, 0, 0xED, 0xB8, 0xC3, static_cast<uint8_t>(routine),
                   static_cast<uint8_t>(routine >> 8)}));
  r = m.bytes.data() + 21;
  EXPECT_EQ(r[1] | r[2] << 8, routine - 6);
  EXPECT_EQ(r[40] | r[41] << 8, 0x8123);
  EXPECT_EQ(r[39], 0xCA);

  p.end = 0xFFC8;  // no room above the block: direct whatever the overlap
  p.options = 0;
  EXPECT_FALSE(LayOutBlock(p, stream).relocating);
  p.end = 0xFFC7;
  EXPECT_TRUE(LayOutBlock(p, stream).relocating);
  // The rule counts a block that would end right before start as touching it.
  p.stub = 0x8000 - 15 - 56 - 6;
  EXPECT_TRUE(LayOutBlock(p, stream).relocating);
  p.stub -= 1;
  EXPECT_FALSE(LayOutBlock(p, stream).relocating);
}

// A 64K block the compressor can do nothing with: escapes ($AA or $AB) and
// other bytes alternate, so there is no run, and no 5-byte sequence comes
// twice, so there is no copy. Half the bytes cost three, and the stream is
// 3 * 32768 + 32768 + 3 bytes, just over 128 KiB.
Bytes EscapeHeavy() {
  std::mt19937 rng(3);
  std::set<uint64_t> seen;
  Bytes b = {0xAA};
  auto last5 = [&] {
    uint64_t k = 0;
    for (size_t i = b.size() - 5; i < b.size(); ++i) k = k << 8 | b[i];
    return k;
  };
  // Appends v unless the five bytes it ends came before.
  auto tryPush = [&](uint8_t v) {
    b.push_back(v);
    if (b.size() >= 5 && !seen.insert(last5()).second) {
      b.pop_back();
      return false;
    }
    return true;
  };
  while (b.size() < 0x10000) {
    if (!tryPush(static_cast<uint8_t>(rng() % 0xAA))) continue;
    if (tryPush(rng() % 2 ? 0xAA : 0xAB)) continue;
    if (b.size() >= 5) seen.erase(last5());
    b.pop_back();
  }
  b.resize(0x10000);
  return b;
}

TEST(CompressImage, BlocksThatCannotBePlantedLeaveTheImageAlone) {
  TestRun run;
  Assembly& a = *run.a;
  a.machine.model = mdl48K;
  ClearImage(a);
  const Bytes data = EscapeHeavy();
  ASSERT_GT(CompressStream(data, 0).size(), kStreamLimit);
  for (int32_t i = 0; i < 0x10000; ++i) StoreImageByte(a, i, data[i], false, false);
  CompressParams p;
  p.end = 0x10000;
  p.line = 12;
  int32_t end = -1;
  EXPECT_FALSE(CompressImage(a, p, end));
  EXPECT_EQ(end, -1);
  EXPECT_EQ(a.pass.nErrors, 1);
  ASSERT_EQ(run.console.err.size(), 1u);
  EXPECT_NE(run.console.err[0].find(":   12  : error: Range Error - the compressed stream is "
                                    "longer than 128 KiB ("),
            std::string::npos)
      << run.console.err[0];
  for (int32_t i = 0; i < 0x10000; ++i) ASSERT_EQ(ReadImageByte(a, i), data[i]) << i;

  // A small block whose planted form would end one byte past $FFFF.
  p.start = 0x8000;
  p.end = 0x800C;
  const int32_t size =
      4 + static_cast<int32_t>(CompressStream(Bytes(&data[0x8000], &data[0x800C]), 0x8000).size()) +
      56;
  p.stub = 0x10000 - size + 1;
  EXPECT_FALSE(CompressImage(a, p, end));
  EXPECT_EQ(a.pass.nErrors, 2);
  for (int32_t i = 0; i < 0x10000; ++i) ASSERT_EQ(ReadImageByte(a, i), data[i]) << i;
  p.stub -= 1;  // ends exactly at $FFFF
  EXPECT_TRUE(CompressImage(a, p, end));
  EXPECT_EQ(end, 0x10000);
}

TEST(CompressImage, ABlockThatWouldOverwriteItselfIsRefused) {
  TestRun run;
  Assembly& a = *run.a;
  a.machine.model = mdl48K;
  ClearImage(a);
  // $FF00-$FFE0 of zeros: the stream is short and the output soon passes it.
  CompressParams p;
  p.start = 0xFF00;
  p.end = 0xFFE0;  // no room above: the direct layout, planted inside the range
  p.stub = 0xFF10;
  p.exec = 0x8000;
  int32_t end = -1;
  EXPECT_FALSE(CompressImage(a, p, end));
  ASSERT_EQ(run.console.err.size(), 1u);
  EXPECT_NE(run.console.err[0].find("would overwrite itself while it expands"), std::string::npos);
  // Planted below the range it is fine.
  p.stub = 0xFE00;
  EXPECT_TRUE(CompressImage(a, p, end));
}

// ---------------------------------------------------------------------------
// The planted block on an emulated Z80.

struct Machine {
  std::vector<uint8_t> mem = std::vector<uint8_t>(0x10000);
  int borderWrites = 0;
  uint8_t border = 0xFF;

  static Z80EX_BYTE Read(Z80EX_CONTEXT*, Z80EX_WORD addr, int, void* m) {
    return static_cast<Machine*>(m)->mem[addr];
  }
  static void Write(Z80EX_CONTEXT*, Z80EX_WORD addr, Z80EX_BYTE v, void* m) {
    static_cast<Machine*>(m)->mem[addr] = v;
  }
  static Z80EX_BYTE In(Z80EX_CONTEXT*, Z80EX_WORD, void*) { return 0xFF; }
  static void Out(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE v, void* m) {
    auto* self = static_cast<Machine*>(m);
    if ((port & 0xFF) == 0xFE) {
      ++self->borderWrites;
      self->border = v;
    }
  }
  static Z80EX_BYTE Int(Z80EX_CONTEXT*, void*) { return 0xFF; }

  // Runs from `from` until PC reaches `to`; false when it never does.
  bool Run(uint16_t from, uint16_t to, long maxSteps = 50'000'000) {
    Z80EX_CONTEXT* cpu = z80ex_create(Read, this, Write, this, In, this, Out, this, Int, this);
    z80ex_set_reg(cpu, regPC, from);
    z80ex_set_reg(cpu, regSP, 0x5800);  // nothing here uses the stack
    bool reached = false;
    for (long i = 0; i < maxSteps; ++i) {
      if (z80ex_get_reg(cpu, regPC) == to && !z80ex_last_op_type(cpu)) {
        reached = true;
        break;
      }
      z80ex_step(cpu);
    }
    z80ex_destroy(cpu);
    return reached;
  }
};

// The 64K the program sees after assembling a source, and the value of a
// label.
struct Assembled {
  std::vector<uint8_t> mem = std::vector<uint8_t>(0x10000);
  std::unique_ptr<TestRun> run = std::make_unique<TestRun>();
  explicit Assembled(const std::string& source) {
    EXPECT_EQ(run->Assemble(source), 0) << run->Err();
    for (int32_t i = 0; i < 0x10000; ++i) mem[i] = ReadImageByte(*run->a, i);
  }
  uint16_t operator[](const char* label) const {
    const TRec* r = FindSymbol(*run->a, label, false);
    EXPECT_TRUE(r) << label;
    return r ? static_cast<uint16_t>(r->Val.Int()) : 0;
  }
};

// Assembles `body` twice, with and without the VELDCOMPRESS line, runs the
// planted block from the stub until PC reaches the execute address and
// compares the expanded range [begin, finish) with the plain assembly.
Machine ExpandsBack(const std::string& body, const std::string& directive, uint16_t stub,
                    const char* execLabel) {
  Assembled plain(body);
  Assembled packed(body + directive + "\n");
  const uint16_t start = plain["begin"], end = plain["finish"], exec = plain[execLabel];
  Machine m;
  m.mem = packed.mem;
  // The block is gone from its place until the routine has run.
  EXPECT_NE(Bytes(m.mem.begin() + start, m.mem.begin() + end),
            Bytes(plain.mem.begin() + start, plain.mem.begin() + end));
  EXPECT_TRUE(m.Run(stub, exec)) << "never reached the execute address";
  EXPECT_EQ(Bytes(m.mem.begin() + start, m.mem.begin() + end),
            Bytes(plain.mem.begin() + start, plain.mem.begin() + end));
  return m;
}

// A program with code, text, tables, runs and the escape values.
const char* kProgram = R"(
  ORG $8000
begin:
  DI
  LD SP,$FF00
  LD HL,message
  LD DE,$4000
  LD BC,msgEnd-message
  LDIR
  LD A,$AA
  LD (buffer),A
idle:
  JR idle
message:
  DB "Hello, packed world! Hello, packed world! Hello again.",13
  DB $AA,$AB,$AA,$AA,$AB,$AB,$AB,$AB,0,0,0
msgEnd:
table:
  REPT 40
  DW $ABAA, $1234, table
  ENDM
  DS 300, 0
buffer:
  DS 20, $AB
  DB 1,2,3,4,5,1,2,3,4,5,6,1,2,3,4,5,6,7
  REPT 64
  DB $AA
  ENDM
  DB "end"
finish:
)";

TEST(CompressRun, DirectLayoutAtTheDefaultStub) {
  Machine m = ExpandsBack(kProgram, "  VELDCOMPRESS begin, finish, begin", 0x5B00, "begin");
  EXPECT_EQ(m.mem[0x5B00], 0xF3);
  EXPECT_EQ(m.mem[0x5B01], 0xC3);
  EXPECT_EQ(m.borderWrites, 0);
}

TEST(CompressRun, RelocatingLayoutWithTheStubInsideTheBlock) {
  // Planted over its own source: the header moves stream and routine to the
  // top of memory before they expand the block.
  Machine m =
      ExpandsBack(kProgram, "  VELDCOMPRESS begin, finish, idle, begin + 32", 0x8020, "idle");
  EXPECT_EQ(m.mem[0xFFFF - 55], 0x21);  // the routine now sits at the top
}

TEST(CompressRun, BorderRoutineFollowsTheLiterals) {
  Machine m =
      ExpandsBack(kProgram, "  VELDCOMPRESS begin, finish, begin, $6000, 1", 0x6000, "begin");
  EXPECT_GT(m.borderWrites, 10);
  EXPECT_EQ(m.border & ~2, 0);  // only bit 1 of a literal reaches the port
}

}  // namespace
