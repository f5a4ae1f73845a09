// The line rules of the hex reader that srec_cat-made files never exercise:
// bases from Intel HEX type 2 and 4 records and the records they ignore,
// characters that are no hex digits, fields that run past the end of a line,
// skipped lines, and the cut at the maximum length. The import statements
// themselves (relocation, the slice rule, errors) are checked on whole
// assemblies.

#include "memtools/hex_import.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct Line {
  int64_t address;
  std::vector<uint8_t> bytes;
  bool operator==(const Line&) const = default;
};

std::vector<Line> Decode(std::string_view text, int64_t maxBytes = -1) {
  HexDecodeResult r = DecodeHexText(text, maxBytes);
  EXPECT_EQ(r.error, "");
  std::vector<Line> out;
  for (const HexRecord& rec : r.data.records)
    out.push_back(
        Line{rec.address, std::vector<uint8_t>(r.data.bytes.begin() + rec.offset,
                                               r.data.bytes.begin() + rec.offset + rec.length)});
  return out;
}

TEST(HexImport, IntelBasesAndIgnoredRecords) {
  // Type 4 value 1, type 2 value $1000; a type 4 record with count 4 or a
  // non-zero address changes nothing; types 1, 3 and 5 are ignored, also
  // in the middle of the file. Checksums are not checked (the 00s).
  EXPECT_EQ(Decode(":020000040001F9\n"
                   ":0200000012347F00\n"
                   ":020000021000EC\n"
                   ":0100100056\n"
                   ":04000004000200000\n"
                   ":02001004000300\n"
                   ":00000001FF\n"
                   ":0400000300001234B3\n"
                   ":0400000500001234B1\n"
                   ":01002000AB00\n"),
            (std::vector<Line>{{0x10000, {0x12, 0x34}}, {0x10010, {0x56}}, {0x10020, {0xAB}}}));
}

TEST(HexImport, SRecordsMosTektronixAndDumpLines) {
  EXPECT_EQ(Decode("S00600004844521B\n"
                   "S1058000AABB00\n"
                   "S205018000CC00\n"
                   "S30701800000DDEE00\n"
                   "S5030001FB\n"
                   "S9030000FC\n"
                   ";02C000F00D00\n"
                   "/D000020012345600\n"
                   "9000 01 02 03 04 05 06 07 08\n"),
            (std::vector<Line>{{0x8000, {0xAA, 0xBB}},
                               {0x18000, {0xCC}},
                               {0x1800000, {0xDD, 0xEE}},
                               {0xC000, {0xF0, 0x0D}},
                               {0xD000, {0x12, 0x34}},
                               {0x9000, {1, 2, 3, 4, 5, 6, 7, 8}}}));
}

TEST(HexImport, BaseAddsToMosTektronixAndDumpButNotSRecords) {
  EXPECT_EQ(Decode(":020000040002F8\n"
                   "S1048000AA00\n"
                   ";01000011\n"
                   "/0001010022\n"
                   "0002-33\n"),
            (std::vector<Line>{{0x8000, {0xAA}},
                               {0x20000, {0x11}},
                               {0x20001, {0x22}},
                               {0x20002, {0x33, 0, 0, 0, 0, 0, 0, 0}}}));
}

TEST(HexImport, NonDigitsReadAsZeroAndShortFieldsAsZero) {
  // "G" is no digit: it reads as 0 and stays, so the rest of that line reads
  // 0 too. A line that ends early reads 0 for what is missing. Lower-case
  // digits count as digits inside a line.
  EXPECT_EQ(Decode(":03100000aaG12\n"
                   ";0320\n"),
            (std::vector<Line>{{0x1000, {0xAA, 0, 0}}, {0x2000, {0, 0, 0}}}));
}

TEST(HexImport, SkippedLinesAndLineEnds) {
  // Empty lines, lines starting with a blank or punctuation below "/", lower
  // case letters and an "s" are skipped; CR, LF and CR LF all end lines.
  EXPECT_EQ(Decode("\n \n 1000 01 02 03 04 05 06 07 08\n# c\n!x\ns1048000AA00\nabcd\r"
                   ":01000000AA00\r\n:01000100BB00\r:01000200CC00"),
            (std::vector<Line>{{0, {0xAA}}, {1, {0xBB}}, {2, {0xCC}}}));
}

TEST(HexImport, CountsBelowTheAddressGiveNoData) {
  // S1 with a count of 2 (less than its address and checksum), Intel and MOS
  // records with a count of 0.
  EXPECT_EQ(Decode("S1028000\n:00100000\n;001000\n"), std::vector<Line>{});
}

TEST(HexImport, MaximumLengthCutsTheRecordThatReachesIt) {
  const char* text = ":0400000001020304F2\n:0400040005060708DE\n";
  EXPECT_EQ(Decode(text, 3), (std::vector<Line>{{0, {1, 2, 3}}}));
  EXPECT_EQ(Decode(text, 4), (std::vector<Line>{{0, {1, 2, 3, 4}}}));
  EXPECT_EQ(Decode(text, 6), (std::vector<Line>{{0, {1, 2, 3, 4}}, {4, {5, 6}}}));
  EXPECT_EQ(Decode(text, 0), std::vector<Line>{});
}

TEST(HexImport, TextWithNulBytesIsRefused) {
  HexDecodeResult r = DecodeHexText(std::string_view(":01000000AA\0\n", 13), -1);
  EXPECT_NE(r.error, "");
  EXPECT_TRUE(r.data.records.empty());
}

TEST(HexImport, FullCountsReadAllTheirBytes) {
  // A count of $FF takes 255 bytes; missing ones read as 0.
  std::string line = ":FF000000";
  for (int i = 0; i < 255; ++i) line += "11";
  std::vector<Line> got = Decode(line + "\n");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, std::vector<uint8_t>(255, 0x11));
  got = Decode(":FF000000\n");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, std::vector<uint8_t>(255, 0));
}

}  // namespace
