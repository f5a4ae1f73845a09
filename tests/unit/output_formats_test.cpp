// The text formats of a memory range and the free text file. Expected texts
// are worked out by hand from the format rules; srec_cat (an independent
// reader) must turn every Intel HEX and S-record file back into the bytes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/hex_formats.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// n bytes of a fixed pseudo-random pattern.
std::string Pattern(size_t n, uint32_t seed = 1) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>(seed >> 16);
  }
  return s;
}

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (auto l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

std::string Spaces24() { return std::string(24, ' '); }

class SrecCat : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "srec_cat not installed";
    char tmpl[] = "/tmp/veldsrecXXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }

  // Reads `text` with srec_cat in the given format and returns the bytes
  // from address `start` on. Fails the test when srec_cat reports a problem
  // other than an empty file.
  std::string ReadBack(const std::string& text, const char* format, uint32_t start) {
    std::string in = dir_ + "/in.txt", out = dir_ + "/out.bin", err = dir_ + "/err.txt";
    std::ofstream(in, std::ios::binary) << text;
    std::remove(out.c_str());
    std::string cmd = "srec_cat " + in + " " + format + " -offset -" + std::to_string(start) +
                      " -o " + out + " -Binary 2>" + err;
    int rc = std::system(cmd.c_str());
    std::string errText = Slurp(err);
    // srec_cat refuses (or warns about) a file without data records.
    if (errText.find("contains no data") != std::string::npos) return "";
    EXPECT_EQ(rc, 0) << errText;
    EXPECT_EQ(errText, "");
    return Slurp(out);
  }

  static std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }

  std::string dir_;
};

}  // namespace

TEST(IntelHex, ThreeBytesAt8000) {
  EXPECT_EQ(IntelHexText(0x8000, Bytes({1, 2, 3})),
            Lines({":020000040000FA", ":0380000001020377", ":00000001FF"}));
}

TEST(IntelHex, CrossingIntoTheNext64KAnnouncesTheSegment) {
  std::string data;
  for (int i = 0; i < 16; ++i) data += static_cast<char>(i);
  EXPECT_EQ(IntelHexText(0xFFF8, data),
            Lines({":020000040000FA", ":08FFF8000001020304050607E5", ":020000040001F9",
                   ":0800000008090A0B0C0D0E0F9C", ":00000001FF"}));
}

TEST(IntelHex, RangeEndingAtA64KBoundaryAnnouncesTheNextSegmentBeforeTheEnd) {
  EXPECT_EQ(
      IntelHexText(0xFFF8, Bytes({0, 1, 2, 3, 4, 5, 6, 7})),
      Lines({":020000040000FA", ":08FFF8000001020304050607E5", ":020000040001F9", ":00000001FF"}));
}

TEST(IntelHex, EmptyRangeHasOnlyTheSegmentAndEndRecords) {
  EXPECT_EQ(IntelHexText(0x12345, ""), Lines({":020000040001F9", ":00000001FF"}));
}

TEST(IntelHex, RecordsAlignOnSixteenAfterAnOddStart) {
  std::string text = IntelHexText(0x0003, std::string(20, '\0'));
  // 13 bytes up to $0010, then the remaining 7: 0D+00+03 = $10 -> F0;
  // 07+00+10 = $17 -> E9.
  EXPECT_EQ(text, Lines({":020000040000FA", ":0D000300" + std::string(26, '0') + "F0",
                         ":07001000" + std::string(14, '0') + "E9", ":00000001FF"}));
}

TEST(SRecord, FullFirst64KUsesS1) {
  std::string text = SRecordText(0, std::string(0x10000, '\0'));
  EXPECT_EQ(text.substr(0, 18), "S00600004844521B\r\n");
  EXPECT_EQ(text.substr(18, 4), "S113");
  EXPECT_EQ(text.substr(text.size() - 12), "S9030000FC\r\n");
}

TEST(SRecord, EndPast64KSwitchesTheWholeFileToS2) {
  EXPECT_EQ(SRecordText(0xFFFF, Bytes({0xAB})),
            Lines({"S00600004844521B", "S104FFFFAB52", "S9030000FC"}));
  EXPECT_EQ(SRecordText(0xFFFF, Bytes({0xAB, 0xCD})),
            Lines({"S00600004844521B", "S20500FFFFAB51", "S205010000CD2C", "S804000000FB"}));
}

TEST(SRecord, EndPast16MUsesS3) {
  EXPECT_EQ(SRecordText(0x1000000, Bytes({0x11})),
            Lines({"S00600004844521B", "S3060100000011E7", "S70500000000FA"}));
  EXPECT_EQ(SRecordText(0xFFFFFF, ""), Lines({"S00600004844521B", "S804000000FB"}));
}

TEST(SRecord, EmptyRangeHasHeaderAndTerminatorOnly) {
  EXPECT_EQ(SRecordText(0x8000, ""), Lines({"S00600004844521B", "S9030000FC"}));
}

TEST(AssemblerDb, OddStartSplitsAtTheNextMultipleOfSixteen) {
  std::string data;
  for (int i = 0; i < 20; ++i) data += static_cast<char>(0xF0 + i);
  std::string first = Spaces24() + "db ";
  for (int i = 0; i < 13; ++i) {
    static const char* hex = "0123456789ABCDEF";
    int b = 0xF0 + i;
    first += (i ? ",$" : "$") + std::string{hex[b >> 4], hex[b & 15]};
  }
  first += " ; 008003";
  std::string second = Spaces24() + "db $FD,$FE,$FF,$00,$01,$02,$03 ; 008010";
  EXPECT_EQ(AssemblerDbText(0x8003, data), Lines({Spaces24() + "org $008003", "", first, second}));
}

TEST(AssemblerDb, EmptyRangeIsTheOrgLineAndAnEmptyLine) {
  EXPECT_EQ(AssemblerDbText(0x123456, ""), Lines({Spaces24() + "org $123456", ""}));
  EXPECT_EQ(AssemblerDbText(0x1234567, ""), Lines({Spaces24() + "org $1234567", ""}));
}

TEST(HexDump, DefaultLayoutHasFourDigitAddressesAndUnalignedLines) {
  std::string data = Bytes({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB,
                            0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1});
  EXPECT_EQ(HexDumpText(0x8003, data, 4, 16),
            Lines({"8003 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF", "8013 B0 B1"}));
}

TEST(HexDump, NoAddressColumnAndEightBytesALine) {
  std::string data = Bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(HexDumpText(0x8000, data, 0, 8), Lines({"00 01 02 03 04 05 06 07", "08 09"}));
}

TEST(HexDump, WideAddressesZeroPerLineAndEmptyRanges) {
  EXPECT_EQ(HexDumpText(0x1C001, Bytes({0x5A, 0xC3}), 8, 0), Lines({"0001C001 5A", "0001C002 C3"}));
  EXPECT_EQ(HexDumpText(0x12345, Bytes({1}), 2, 16), Lines({"12345 01"}));
  EXPECT_EQ(HexDumpText(0x8000, "", 4, 16), "");
  // An absurd address width is cut rather than filling memory with zeros.
  EXPECT_EQ(HexDumpText(0, Bytes({1}), 0xFFFFFFFF, 16).size(), 64u + 5u);
}

TEST(TextFile, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ(TextFileText("a\r\nb\r"), Lines({"a", "b"}));
  EXPECT_EQ(TextFileText("a\rb\nc"), Lines({"a", "b", "c"}));
  EXPECT_EQ(TextFileText("a\n\r\n\rb"), Lines({"a", "", "", "b"}));
  EXPECT_EQ(TextFileText(""), "");
  EXPECT_EQ(TextFileText(std::string("\xE9\x00x", 3)), std::string("\xE9\x00x\r\n", 5));
}

TEST_F(SrecCat, ReadsIntelHexBackForOddStartsBoundariesAndEmptyRanges) {
  struct Case {
    uint32_t start;
    size_t length;
  } cases[] = {{0x8000, 3},    {0x8003, 20},      {0xFFF8, 16},   {0xFFF8, 8},
               {0x1FFE1, 100}, {0xFFFF, 0x10001}, {0x0003, 0},    {0x23CFF0, 0x21},
               {0x7FFFF, 1},   {0, 0x10000},      {0xFFFF0, 0x20}};
  for (const Case& c : cases) {
    std::string data = Pattern(c.length, c.start);
    SCOPED_TRACE(c.start);
    EXPECT_EQ(ReadBack(IntelHexText(c.start, data), "-Intel", c.start), data);
  }
}

TEST_F(SrecCat, ReadsSRecordsBackInEveryAddressWidth) {
  struct Case {
    uint32_t start;
    size_t length;
  } cases[] = {{0x8003, 20},     {0, 0x10000},    {0, 0x10001}, {0xFFF8, 16}, {0x1FFE1, 100},
               {0xFFFFF0, 0x20}, {0x1000000, 17}, {0x0003, 0},  {0xFFFF, 1},  {0x23CFF0, 0x21}};
  for (const Case& c : cases) {
    std::string data = Pattern(c.length, c.start + 7);
    SCOPED_TRACE(c.start);
    EXPECT_EQ(ReadBack(SRecordText(c.start, data), "-Motorola", c.start), data);
  }
}
