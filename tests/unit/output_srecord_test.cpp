// Intel HEX and S-record files written by whole assemblies, checked against
// srec_cat, an independent reader and writer of both formats: srec_cat must
// read every file back (it verifies each checksum) into the assembled bytes,
// and, given those bytes, must write the very same records (it lays out
// 16-byte records aligned on multiples of 16, announces each new 64K segment
// with an extended linear address record, and heads S-records with "HDR").

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

// Every line of `text` must end in CR LF; returns the text with LF ends.
std::string CrLfToLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
      continue;
    }
    if (text[i] == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
      out += '\n';
      continue;
    }
    out += text[i];
  }
  EXPECT_TRUE(text.empty() || text.back() == '\n') << "last line without CR LF";
  return out;
}

struct Range {
  const char* model;  // EMULATE_SPECTRUM name, or "" for the default model
  uint32_t start;
  uint32_t length;
  bool planted;  // the range is assembled DB bytes (else unmapped: zeros)
};

struct SrecCatRun : ::testing::Test {
  void SetUp() override {
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "srec_cat not installed";
  }

  // srec_cat reading `inputs` and writing `output` (a format and its
  // options); returns what it wrote, with LF line ends.
  std::string SrecCat(const TestRun& t, const std::string& inputs, const std::string& output) {
    std::string out = (t.dir / "srec_cat.out").string();
    std::string err = (t.dir / "srec_cat.err").string();
    std::string cmd = "cd " + t.dir.string() + " && srec_cat " + inputs + " -o " + out + " " +
                      output + " 2>" + err;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd << "\n" << Slurp(err);
    EXPECT_EQ(Slurp(err), "") << cmd;
    return Slurp(out);
  }
};

}  // namespace

TEST_F(SrecCatRun, AssembledRangesMatchWhatSrecCatReadsAndWrites) {
  const Range ranges[] = {
      {"", 0x8000, 3, true},          // one short record
      {"", 0x8003, 40, true},         // unaligned start, three records
      {"", 0x0000, 0x100, true},      // aligned, whole records only
      {"", 0xFFE0, 0x20, false},      // last records below 64K: still S1
      {"128K", 0x1FFF8, 20, true},    // crosses from bank 3 into bank 4 at $20000
      {"128K", 0x10000, 0x21, true},  // starts on a segment boundary: S2
      {"128K", 0xFFFFF8, 8, false},   // ends exactly at 16M: still S2
      {"128K", 0xFFFFF9, 8, false},   // one past 16M: S3
  };
  for (const Range& r : ranges) {
    SCOPED_TRACE(Hex(r.start));
    std::string bytes(r.length, '\0');
    std::string source;
    if (*r.model) source += " EMULATE_SPECTRUM \"" + std::string(r.model) + "\"\n";
    if (r.planted) {
      source += " ORG " + Hex(r.start).replace(0, 2, "$") + "\n";
      for (uint32_t i = 0; i < r.length; ++i) {
        bytes[i] = static_cast<char>((i * 37 + r.start) & 0xFF);
        source += " DB " + std::to_string(static_cast<uint8_t>(bytes[i])) + "\n";
      }
    }
    std::string range = ", " + std::to_string(r.start) + ", " + std::to_string(r.length) + "\n";
    source += " OUTPUT_BIN \"r.bin\"" + range;
    source += " OUTPUT_INTEL \"r.hex\"" + range;
    source += " OUTPUT_SREC \"r.srec\"" + range;
    TestRun t;
    ASSERT_EQ(t.Assemble(source), 0) << t.Err();
    ASSERT_EQ(t.ReadFile("r.bin"), bytes);

    // Read back: srec_cat checks every checksum and the record syntax.
    std::string down = " -offset -" + std::to_string(r.start);
    EXPECT_EQ(SrecCat(t, "r.hex -Intel" + down, "-Binary"), bytes);
    EXPECT_EQ(SrecCat(t, "r.srec -Motorola" + down, "-Binary"), bytes);

    // Write: the same bytes at the same address, laid out by srec_cat.
    std::string in = "r.bin -Binary -offset " + Hex(r.start);
    std::string intel = SrecCat(t, in, "-Intel -obs=16 -Output_Block_Alignment");
    uint64_t end = static_cast<uint64_t>(r.start) + r.length;
    if (end % 0x10000 == 0) {
      // A range that ends on a segment boundary announces the next segment
      // before the end record, where srec_cat writes nothing.
      uint32_t upper = static_cast<uint32_t>(end >> 16) & 0xFFFF;
      char record[32];
      std::snprintf(record, sizeof record, ":02000004%04X%02X\n", upper,
                    (0x100 - ((6 + (upper >> 8) + (upper & 0xFF)) & 0xFF)) & 0xFF);
      intel.insert(intel.rfind(":00000001FF"), record);
    }
    EXPECT_EQ(CrLfToLf(t.ReadFile("r.hex")), intel);
    int width = end <= 0x10000 ? 2 : end <= 0x1000000 ? 3 : 4;
    EXPECT_EQ(CrLfToLf(t.ReadFile("r.srec")),
              SrecCat(t, in + " -execution-start-address 0 -header HDR",
                      "-Motorola -obs=16 -Output_Block_Alignment -disable=data-count "
                      "-address-length=" +
                          std::to_string(width)));
  }
}
