// Passes before the final one step over lines that only move PC. Whether they
// do must change nothing that any pass ends with (its statement count, its
// error, undefined and redefinition counts, where PC stands) nor anything the
// run prints: every source is assembled both ways and the two compared.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "assembly_comparison.h"

namespace fs = std::filesystem;

namespace {

// Returns the number of lines the stepping run knew to be settled.
size_t ExpectSameEitherWay(const fs::path& file) {
  auto full = [](Environment& e) { e.stepOverSettledLines = false; };
  auto stepping = [](Environment& e) { e.stepOverSettledLines = true; };
  const auto [x, y] = comparison::ExpectSameBothWays(file, full, stepping);
  EXPECT_EQ(x.settledLines, 0u) << file;
  return y.settledLines;
}

TEST(LineSkipTest, CasesAndExamplesEndEveryPassAlike) {
  size_t settled = 0;
  const int sources =
      comparison::ForEachCaseSource([&](const fs::path& f) { settled += ExpectSameEitherWay(f); });
  EXPECT_GT(sources, 50);
  EXPECT_GT(settled, 200u);
}

// Sources where what a line assembles to in one pass is not what it gives in
// the next: options and radix set under a forward reference, a line that
// stops fitting below the top of memory, one file included under two sets of
// options, lines repeated by loops and macros (one led by a macro argument
// that stands for a different instruction each time), and lines whose errors are
// counted once per line number.
TEST(LineSkipTest, LinesThatChangeBetweenPassesAreAssembledAgain) {
  const std::map<std::string, std::string> sources = {
      {"strict_later.asm",
       "        org $8000\n"
       "        IF later > $8000\n"
       "        zoStrict = 1\n"
       "        ENDIF\n"
       "        ld a,ixh\n"
       "        ld bc,de\n"
       "        nop\n"
       "later:  nop\n"},
      {"radix_later.asm",
       "        IF fwd > 3\n"
       "        SETRADIX 16\n"
       "        ENDIF\n"
       "        ld a,10\n"
       "        db 10,20,30\n"
       "        ld a,19\n"
       "fwd:    nop\n"},
      {"top.asm",
       "        org base\n"
       "        ld hl,$1234\n"
       "        nop\n"
       "        nop\n"
       "base    equ $FFFE\n"},
      {"twice.asm",
       "        include \"body.inc\"\n"
       "        zoStrict = 1\n"
       "        include \"body.inc\"\n"
       "        zoStrict = 0\n"
       "        include \"body.inc\"\n"
       "        jp there\n"
       "        ds 4\n"
       "there:  ret\n"},
      {"body.inc",
       "        ld a,ixl\n"
       "        sli b\n"
       "        out (c),0\n"
       "        db 1,2\n"},
      {"loops.asm",
       "        org 0\n"
       "        REPT 3\n"
       "        ld a,1\n"
       "        ld hl,$1234 ; note\n"
       "        ENDR\n"
       "        LOOP 4, k\n"
       "        nop\n"
       "        ld a,k\n"
       "        LEND\n"
       "m       MACRO(x)\n"
       "        inc hl\n"
       "        ld a,x\n"
       "        MEND\n"
       "        m(1)\n"
       "        m(far)\n"
       "        nop : nop\n"
       "        jr $+2\n"
       "        jp far\n"
       "        ds gap\n"
       "far:    ret\n"
       "gap     equ 3\n"},
      {"argument_first.asm",
       "op      MACRO(ins)\n"
       "        nop\n"
       "        ins\n"
       "        nop\n"
       "        MEND\n"
       "        op(nop)\n"
       "        op(neg)\n"
       "        op(nop)\n"
       "        jp far\n"
       "far:    ret\n"},
      {"errors.asm",
       "        include \"bad.inc\"\n"
       "        ld a,300\n"
       "        ld a,1\n"
       "        ld (ix+200),a\n"
       "        ld a,(\n"
       "        1)\n"
       "        nop\n"},
      {"bad.inc", "        nop\n        nop\n        ld q,1\n"},
  };
  char tmpl[] = "/tmp/veldskipXXXXXX";
  const fs::path dir = mkdtemp(tmpl);
  for (const auto& [name, text] : sources) std::ofstream(dir / name, std::ios::binary) << text;
  for (const auto& [name, text] : sources) {
    if (fs::path(name).extension() != ".asm") continue;
    const size_t settled = ExpectSameEitherWay(dir / name);
    EXPECT_GT(settled, 0u) << name;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
