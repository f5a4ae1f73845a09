// Text decoding and name resolution of source files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/paths.h"
#include "test_support.h"

namespace {

std::vector<std::string> Decode(std::string_view bytes) {
  std::vector<std::string> lines;
  EXPECT_TRUE(DecodeSourceText(bytes, lines));
  return lines;
}

TEST(SourceText, LineEndsOfEveryKind) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Decode("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(Decode("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(Decode("a\r\r\nb\r"), (V{"a", "", "b"}));
  EXPECT_EQ(Decode("\n"), V{""});
  EXPECT_EQ(Decode(""), V{});
  EXPECT_EQ(Decode(std::string("x\0y\n", 4)), V{std::string("x\0y", 3)});
}

// Lines are found from sparse marks and length bytes: every line, read in
// order, backwards and by jumps, must be the text between its line ends,
// whatever its length (empty, 254, 255 and far longer lines included).
TEST(SourceText, EveryLineIsFoundInAnyOrder) {
  std::vector<std::string> want;
  std::string text;
  for (int i = 0; i < 300; ++i) {
    const size_t len = i % 6 == 1 ? 0 : i % 50 == 3 ? 254 + i % 3 : i % 90 == 7 ? 1000 : 1 + i % 23;
    std::string line(len, static_cast<char>('a' + i % 26));
    want.push_back(line);
    // A lone CR is never followed by an empty line's LF here (CR LF would
    // be one line end).
    text += line + (i % 5 == 0 ? "\r\n" : i % 6 == 3 ? "\r" : "\n");
  }
  text += "last";
  want.push_back("last");
  SourceLines lines;
  ASSERT_TRUE(DecodeSourceText(FileBytes(text), lines));
  ASSERT_EQ(lines.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(lines[i], want[i]) << "line " << i;
  for (size_t i = want.size(); i-- > 0;) ASSERT_EQ(lines[i], want[i]) << "line " << i;
  for (size_t k = 0; k < 2000; ++k) {
    const size_t i = (k * 7919 + k / 3) % want.size();
    ASSERT_EQ(lines[i], want[i]) << "line " << i;
    if (i + 1 < want.size()) {
      ASSERT_EQ(lines[i + 1], want[i + 1]) << "line " << i + 1;
    }
  }
}

// Large files are read into room mapped from the system (one huge page, or
// whole huge pages and a tail of small ones); every size around those bounds
// must come back byte for byte, and room grown later must keep the bytes.
TEST(SourceText, LargeFilesAreReadWhole) {
  TestRun r;
  for (size_t size : {size_t{512 << 10} - 1, size_t{600 << 10}, size_t{2 << 20} - 1,
                      size_t{2 << 20}, size_t{2 << 20} + 4097, size_t{5 << 20} + 123}) {
    std::string want(size, 'x');
    for (size_t i = 0; i < size; i += 97) want[i] = static_cast<char>('a' + i % 26);
    const auto path = (r.dir / ("big" + std::to_string(size) + ".asm")).string();
    std::ofstream(path, std::ios::binary) << want;
    FileBytes got;
    ASSERT_EQ(ReadInputFile(path, got), "") << size;
    ASSERT_EQ(got.size(), size);
    ASSERT_TRUE(got.view() == want) << size;
    got.Append("tail", 4);
    ASSERT_TRUE(got.view() == want + "tail") << size;
  }
}

TEST(SourceText, ByteOrderMarksConvertToLatin1) {
  using V = std::vector<std::string>;
  // UTF-8: "é" (C3 A9) is Latin-1 E9; "€" has no Latin-1 form.
  EXPECT_EQ(Decode("\xEF\xBB\xBF"
                   "caf\xC3\xA9\n\xE2\x82\xAC"),
            (V{"caf\xE9", "?"}));
  // UTF-16 little- and big-endian.
  EXPECT_EQ(Decode(std::string("\xFF\xFE"
                               "a\0\xE9\0\n\0b\0",
                               10)),
            (V{"a\xE9", "b"}));
  EXPECT_EQ(Decode(std::string("\xFE\xFF\0a\0\r\0\n\0b", 10)), (V{"a", "b"}));
  // Without a mark every byte is one character.
  EXPECT_EQ(Decode("\xC3\xA9"), (V{"\xC3\xA9"}));
}

TEST(SourceText, InvalidTextAfterAMarkIsRefused) {
  std::vector<std::string> lines;
  EXPECT_FALSE(
      DecodeSourceText("\xEF\xBB\xBF"
                       "a\xC3",
                       lines));
  EXPECT_FALSE(
      DecodeSourceText("\xEF\xBB\xBF"
                       "\xFF",
                       lines));
  EXPECT_FALSE(DecodeSourceText(std::string("\xFF\xFE"
                                            "a",
                                            3),
                                lines));
}

// Names are tidied by their text alone, as the C++ library's lexical
// normalisation does, except that a name made only of slashes is the root.
TEST(SourceNames, LexicalTidyingMatchesTheLibrary) {
  for (const char* path : {"",
                           ".",
                           "..",
                           "../",
                           "../..",
                           "../../",
                           "../a/..",
                           "../a/../",
                           "a/..",
                           "a/../",
                           "a/b/..",
                           "a/b/../",
                           "a/b/../..",
                           "a/./b",
                           "a/.",
                           "a/./",
                           "./",
                           "./a",
                           "././",
                           "/",
                           "///a//b/",
                           "/..",
                           "/../a",
                           "/a/../..",
                           "/a/b/./../c",
                           "foo/./bar/..",
                           "foo/.///bar/../",
                           "a//b",
                           "a/b/",
                           "..a/b..",
                           "a/...",
                           "/./",
                           "./..",
                           "./../a",
                           "a/../../b",
                           "a/b/c/../../../..",
                           "x/../y/./z/..",
                           "/a/b/../../../c/",
                           "//a/..",
                           "/.",
                           "/./.."}) {
    EXPECT_EQ(LexicallyNormal(path), std::filesystem::path(path).lexically_normal().string())
        << "\"" << path << "\"";
  }
  EXPECT_EQ(LexicallyNormal("//"), "/");
}

TEST(SourceNames, IncludesResolveNextToTheMainFile) {
  TestRun r;
  Assembly& a = *r.a;
  a.sources.slots[0].loaded = true;
  a.sources.slots[0].FileName = "/proj/src/main.asm";
  EXPECT_EQ(MakeAbsoluteName(a, "lib.asm"), "/proj/src/lib.asm");
  EXPECT_EQ(MakeAbsoluteName(a, "/abs/x.asm"), "/abs/x.asm");
  EXPECT_EQ(MakeAbsoluteName(a, "\\abs\\y.asm"), "/abs/y.asm");
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(MakeAbsoluteName(a, "sub\\lib.asm"), cwd + "/sub/lib.asm");
}

TEST(SourceNames, SameShortNameInTwoFoldersIsTwoSources) {
  TestRun r;
  Assembly& a = *r.a;
  std::filesystem::create_directories(r.dir / "one");
  std::filesystem::create_directories(r.dir / "two");
  { std::ofstream((r.dir / "one" / "util.asm").string()) << "a\n"; }
  { std::ofstream((r.dir / "two" / "util.asm").string()) << "b\nc\n"; }
  int s1 = LoadSource(a, (r.dir / "one" / "util.asm").string());
  int s2 = LoadSource(a, (r.dir / "two" / "util.asm").string());
  int s3 = LoadSource(a, (r.dir / "one" / "." / "util.asm").string());
  EXPECT_NE(s1, s2);
  EXPECT_EQ(s1, s3);
  EXPECT_EQ(a.sources.slots[s1].Lines.size(), 1u);
  EXPECT_EQ(a.sources.slots[s2].Lines.size(), 2u);
  EXPECT_EQ(r.console.out.size(), 2u);  // loaded once each
}

TEST(SourceNames, MissingAndUnreadableFiles) {
  TestRun r;
  Assembly& a = *r.a;
  int missing = LoadSource(a, (r.dir / "nothere.asm").string());
  EXPECT_FALSE(a.sources.slots[missing].exists);
  EXPECT_TRUE(a.sources.slots[missing].Lines.empty());
  int folder = LoadSource(a, r.dir.string());
  EXPECT_TRUE(a.sources.slots[folder].exists);
  EXPECT_FALSE(a.sources.slots[folder].readError.empty());
}

TEST(SourceNames, TableFullGivesNoSlot) {
  TestRun r;
  Assembly& a = *r.a;
  for (int i = 0; i < kSourceSlots; ++i)
    ASSERT_GE(LoadSource(a, (r.dir / ("f" + std::to_string(i) + ".asm")).string()), 0);
  EXPECT_EQ(LoadSource(a, (r.dir / "onemore.asm").string()), -1);
}

}  // namespace
