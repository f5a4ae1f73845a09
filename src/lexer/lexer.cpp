#include "lexer/lexer.h"

#include "assembler/assembly.h"

void LexResetSource(Assembly& a, int32_t slot) {
  a.lex.pos = TLexPos{};
  a.lex.pos.cSourceListPos = slot;
}
void LexNext(Assembly& a) { a.lex.pos.Item = I_Null; }
void LexPeek(Assembly& a) { a.lex.pos.Item = I_Null; }
void LexSkipToEOL(Assembly&) {}
TLexPos LexSave(const Assembly& a) { return a.lex.pos; }
void LexRestore(Assembly& a, const TLexPos& p, bool) { a.lex.pos = p; }
void LexRestoreForParam(Assembly& a, const TLexPos& p) { a.lex.pos = p; }
void LexRestoreForReturn(Assembly& a, const TLexPos& p) { a.lex.pos = p; }
