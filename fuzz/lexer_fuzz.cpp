// libFuzzer target for the lexer: any bytes, read as a source under any
// lexer settings, must lex to the end without a crash or a hang, deliver
// positions inside the line, and read the same items again from a saved
// position.
//
// Build: cmake -S . -B build-fuzz -DVELD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
//        cmake --build build-fuzz --target lexer_fuzz
// Run:   build-fuzz/lexer_fuzz -max_total_time=300 -max_len=4096

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembly.h"

namespace {

struct Item {
  TItem kind;
  std::string text;
  int32_t value;
  TToken token;
  bool operator==(const Item&) const = default;
};

Item Current(const TLexPos& p) {
  return Item{p.Item, std::string(p.ITxt), p.Item == I_Integer ? p.INumVal : 0,
              p.Item == I_TokenN ? p.ITokVal : tNil};
}

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Context {
  CapturingConsole console;
  FixedClock clock;
  std::unique_ptr<Assembly> a;
  int32_t options[kOptionCount] = {};
  Context() {
    a = std::make_unique<Assembly>(Environment{&console, &clock, [] { return 1u; }, ""});
    BuildKeywordTable(a->keywords);
    for (int k = 0; k < kOptionCount; ++k) a->options.shortcut[k] = &options[k];
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Context ctx;
  Assembly& a = *ctx.a;
  if (size < 2) return 0;
  // The first two bytes choose the settings.
  const uint8_t s0 = data[0], s1 = data[1];
  std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  ctx.options[zoSupportStringEscapes] = s0 & 1;
  ctx.options[zoWarnLeadingZero] = (s0 >> 1) & 1;
  a.pass.clean = (s0 >> 2) & 1;
  a.lex.SkippingFlag = (s0 >> 3) & 1;
  a.lex.radixActive = (s0 >> 4) & 1;
  a.lex.radix = s1 % 40;
  const bool insideParens = (s0 >> 5) & 1;
  a.pass.nErrors = 0;
  a.diag.lastErrorLine = -1;
  ctx.console.out.clear();
  ctx.console.err.clear();

  TSource& src = a.sources.slots[0];
  src.Lines.clear();
  if (!DecodeSourceText(FileBytes(text), src.Lines)) return 0;
  src.loaded = true;
  src.ShortName = "fuzz.asm";
  size_t chars = 0;
  for (size_t i = 0; i < src.Lines.size(); ++i) chars += src.Lines[i].size();

  a.lex.pos = TLexPos{};
  a.lex.paramStack.clear();
  a.lex.aliasStack.clear();
  LexResetSource(a, 0);

  // Read everything once, saving a position now and then.
  std::vector<Item> items;
  std::vector<std::pair<size_t, TLexPos>> saves;
  const size_t limit = chars + src.Lines.size() + 2;
  for (;;) {
    if (items.size() % 7 == 3) saves.emplace_back(items.size(), LexSave(a));
    a.eval.ExprParenDepth = insideParens && items.size() % 3 == 0 ? 1 : 0;
    LexPeek(a);
    LexNext(a);
    const TLexPos& p = a.lex.pos;
    Check(p.LPos >= 1 && p.LPos <= p.LEnd + 1);
    Check(p.LEnd == static_cast<int32_t>(p.lTxt.size()));
    Check(p.TokenMask == 1 || p.TokenMask == 2);
    items.push_back(Current(p));
    Check(items.size() <= limit);
    if (p.Item == I_Null) break;
  }

  // A restored position reads the same items again (warnings and errors
  // aside, reading has no state outside the position).
  a.eval.ExprParenDepth = 0;
  if (!insideParens) {
    for (size_t k = 0; k < saves.size() && k < 4; ++k) {
      LexRestore(a, saves[k].second, true);
      for (size_t j = saves[k].first; j < items.size(); ++j) {
        LexNext(a);
        Check(Current(a.lex.pos) == items[j]);
      }
    }
  }
  return 0;
}
