#include "lexer/tokens.h"

void BuildKeywordTable(KeywordTable&) {}
void FreeKeywordTable(KeywordTable&) {}
const TTokenEntry* FindKeywordEntry(const KeywordTable&, std::string_view, uint8_t) { return nullptr; }
TToken TokenOf(const KeywordTable&, std::string_view, uint8_t) { return tNil; }
std::string_view TokenSpelling(TToken) { return {}; }
