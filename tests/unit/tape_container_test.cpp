// The TZX container's own fields, worked out by hand from the TZX block
// layouts: the header, text descriptions split at CR and at 255 bytes, and
// the turbo-speed block with its timings and 24-bit length. (Whole tapes are
// checked by tzxlist and a simulated LOAD in tests/tools/check_tapes.py.)

#include <gtest/gtest.h>

#include "output/tape_blocks.h"

namespace {

std::string Text(std::string_view s) {
  return "\x30" + std::string(1, char(s.size())) + std::string(s);
}

TEST(TapeContainer, DescriptionPiecesAndDate) {
  std::string tzx = TzxImage({}, "one\r\rtwo", "12:00 am Thu 1/Jan/1970");
  std::string want = std::string("ZXTape!\x1A\x01\x14", 10) + Text("one") + Text("two") +
                     Text("12:00 am Thu 1/Jan/1970");
  EXPECT_EQ(tzx, want);
  // A piece of 300 bytes continues in a second block.
  std::string longText(300, 'x');
  tzx = TzxImage({}, longText, "d");
  EXPECT_EQ(tzx.substr(10), Text(longText.substr(0, 255)) + Text(longText.substr(255)) + Text("d"));
}

TEST(TapeContainer, StandardAndTurboBlocks) {
  TapeBlock standard = StandardBlock(0xFF, "\x01\x02", 1000);
  EXPECT_EQ(standard.bytes, std::string("\xFF\x01\x02\xFC", 4));
  TapeBlock turbo = StreamBlock(std::string(0x10000, '\x01'), 7);
  turbo.turbo = true;
  turbo.timings.zero = 600;
  std::string tzx = TzxImage({standard, turbo}, "", "d").substr(10 + 2 + 1);  // past "d"
  // ID $10: pause, length, the block.
  EXPECT_EQ(tzx.substr(0, 9), std::string("\x10\xE8\x03\x04\x00\xFF\x01\x02\xFC", 9));
  // ID $11: pilot 2168, sync 667 and 735, zero 600, one 1710, 3223 pulses,
  // 8 bits, pause 7, length $10001 in three bytes.
  EXPECT_EQ(tzx.substr(9, 19), std::string("\x11\x78\x08\x9B\x02\xDF\x02\x58\x02\xAE\x06\x97\x0C"
                                           "\x08\x07\x00\x01\x00\x01",
                                           19));
  EXPECT_EQ(tzx.size(), 9 + 19 + 0x10001u);
  EXPECT_EQ(tzx.back(), '\0');  // XOR of 65536 bytes of 1
  // TAP: each block after its 16-bit length.
  EXPECT_EQ(TapImage({standard}), std::string("\x04\x00\xFF\x01\x02\xFC", 6));
}

TEST(TapeContainer, HeaderNameIsCutAndPadded) {
  EXPECT_EQ(HeaderName("ab"), "ab        ");
  EXPECT_EQ(HeaderName("abcdefghijkl"), "abcdefghij");
  TapeBlock h = CodeHeader("ab", 3, 0x8000);
  EXPECT_EQ(h.bytes, std::string("\x00\x03"
                                 "ab        "
                                 "\x03\x00\x00\x80\x00\x80\x03",
                                 19));
}

}  // namespace
