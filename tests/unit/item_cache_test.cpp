// Items of loop and macro bodies are kept and copied when the text is read
// again. Copying must give exactly what reading the text gives: every source
// is assembled with and without the kept items and the two compared.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "assembly_comparison.h"

namespace fs = std::filesystem;

namespace {

// Returns how many items the run with the cache kept.
size_t ExpectSameWithAndWithout(const fs::path& file) {
  auto reading = [](Environment& e) { e.cacheRepeatedItems = false; };
  auto copying = [](Environment& e) { e.cacheRepeatedItems = true; };
  const auto [x, y] = comparison::ExpectSameBothWays(file, reading, copying);
  EXPECT_EQ(x.keptItems, 0u) << file;
  return y.keptItems;
}

TEST(ItemCacheTest, CasesAndExamplesAssembleAlike) {
  size_t kept = 0;
  const int sources = comparison::ForEachCaseSource(
      [&](const fs::path& f) { kept += ExpectSameWithAndWithout(f); });
  EXPECT_GT(sources, 50);
  EXPECT_GT(kept, 200u);
}

// Repeated text whose items change from one reading to the next: a radix set
// half-way through a loop, an argument read both in and out of "[[" ... "]]"
// (where register names are names), an alias redefined half-way, string escapes
// switched on, "\" building keywords, arguments passed through nested
// macros, blank, empty and comment lines, a body ending the file, files
// included in a body (an empty one too), and items that warn or fail each
// time they are read.
TEST(ItemCacheTest, TextReadAgainInAnotherModeReadsAsItsTextSays) {
  const std::map<std::string, std::string> sources = {
      {"radix.asm",
       "        org 0\n"
       "        LOOP 4, k\n"
       "        IF k == 2\n"
       "        SETRADIX 16\n"
       "        ENDIF\n"
       "        IF k == 3\n"
       "        SETRADIX 8\n"
       "        ENDIF\n"
       "        db 10, 012, 0, 7, 12h, $2A, #3B, 101b, 17q\n"
       "        db 0AB\n"
       "        db 0x1F, 017\n"
       "        LEND\n"},
      {"block_mode.asm",
       "        org 0\n"
       "both    MACRO(x)\n"
       "        ld a,x\n"
       "        db \"ABCDEFGH\"[[x]]\n"
       "        MEND\n"
       "        REPT 2\n"
       "        both(a)\n"
       "        both(3)\n"
       "        MEND\n"},
      {"alias_later.asm",
       "        org 0\n"
       "num     ALIAS 7\n"
       "        LOOP 3, k\n"
       "        db num, k\n"
       "        IF k == 1\n"
       "num     ALIAS 40 + k\n"
       "        ENDIF\n"
       "        LEND\n"},
      {"escapes.asm",
       "        org 0\n"
       "        LOOP 2, k\n"
       "        zoSupportStringEscapes = k\n"
       "        db \"a\\x41\", 'b'\n"
       "        LEND\n"},
      {"keyword_builder.asm",
       "        org 0\n"
       "op      MACRO(name)\n"
       "        \\name\n"
       "        MEND\n"
       "        LOOP 2, k\n"
       "        op(\"nop\")\n"
       "        op(\"Neg\")\n"
       "        op(\"no such\")\n"
       "        LEND\n"},
      {"nested_arguments.asm",
       "        org 0\n"
       "inner   MACRO(first, second)\n"
       "        db first, second\n"
       "here:   djnz here\n"
       "        MEND\n"
       "outer   MACRO(x, y)\n"
       "        inner(y, x + 1)\n"
       "        inner((x), y * 2)\n"
       "        ex af,af'\n"
       "        MEND\n"
       "        REPT 3\n"
       "        outer(1, 2)\n"
       "        outer((3 + 4), 5)\n"
       "        MEND\n"
       "        FOR f = 1 TO 3\n"
       "        outer(f, f * f)\n"
       "        NEXT\n"},
      {"line_ends.asm",
       "        org 0\n"
       "        LOOP 3, k\n"
       "\n"
       "        db k   ; note  \n"
       "        \t\n"
       "   ; a comment alone\n"
       "        nop : db 7, k  \n"
       "        IF k == 1\n"
       "        db 9 // note\n"
       "\n"
       "        ENDIF\n"
       "        LEND\n"
       "        db 1\n"
       "        REPT 2\n"
       "        db 2\n"
       "        MEND"},
      {"includes.asm",
       "        org 0\n"
       "        LOOP 3, k\n"
       "        include \"empty.inc\"\n"
       "        db k\n"
       "        include \"body.inc\"\n"
       "        LEND\n"},
      {"empty.inc", ""},
      {"body.inc", "        db 5, k\n        nop\n"},
      {"messages.asm",
       "        org 0\n"
       "        zoWarnLeadingZero = 1\n"
       "        LOOP 3, k\n"
       "        db 010, %1010b, k\n"
       "        ld a,300\n"
       "        db \"open\n"
       "        LEND\n"
       "w       = 0\n"
       "        WHILE w < 3\n"
       "        db 0777, w ; note\n"
       "w       = w + 1\n"
       "        WEND\n"},
  };
  char tmpl[] = "/tmp/veldcacheXXXXXX";
  const fs::path dir = mkdtemp(tmpl);
  for (const auto& [name, text] : sources) std::ofstream(dir / name, std::ios::binary) << text;
  for (const auto& [name, text] : sources) {
    if (fs::path(name).extension() != ".asm") continue;
    EXPECT_GT(ExpectSameWithAndWithout(dir / name), 0u) << name;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
