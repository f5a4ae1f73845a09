// The keyword table: the name hash, every spelling in both cases, the mode
// classes and the order of the token enumeration.

#include "lexer/tokens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/name_hash.h"

namespace {

// Every keyword spelling, in the order of the keyword list.
// clang-format off
const std::vector<std::string> kAllSpellings = {
    "A", "ABS", "ACOS", "ADC", "ADD", "AF", "ALIAS", "ALIGN", "AND", "ASIN", "ATAN", "B", "BC",
    "BEGIN", "BIT", "BITMAP", "BRLC", "BSLA", "BSRA", "BSRF", "BSRL", "C", "CALL", "CASE", "CCF",
    "CCR", "CHR", "COS", "CP", "CPD", "CPDR", "CPI", "CPIR", "CPL", "D", "DAA", "DB", "DBGBREAK",
    "DBGEXIT", "DBL", "DBLL", "DBLW", "DBTB", "DBX", "DBXO", "DBXTB", "DE", "DEC", "DEF",
    "DEFAULT", "DEFB", "DEFF", "DEFG", "DEFINED", "DEFL", "DEFLBE", "DEFM", "DEFS", "DEFV",
    "DEFW", "DEFWBE", "DF", "DG", "DH", "DI", "DISP", "DISPTO", "DJNZ", "DL", "DS", "DUP", "DW",
    "E", "EDUP", "EI", "ELIF", "ELSE", "ELSEIF", "EMULATE_SPECTRUM", "ENABLED", "END", "ENDCASE",
    "ENDIF", "ENDL", "ENDM", "ENDMACRO", "ENDP", "ENDSWITCH", "ENDW", "ENT", "EOR", "EQU", "EX",
    "EXP", "EXPORT_SYM", "EXTENDED", "EXX", "F", "FEND", "FLT", "FOR", "FRAC", "FUNCTION", "H",
    "HALT", "HIGH", "HL", "HX", "HY", "I", "IF", "IM", "IMPORT_BIN", "IMPORT_COMPARISON",
    "IMPORT_CPM", "IMPORT_HEX", "IN", "INC", "INCLUDE", "IND", "INDR", "INI", "INIR", "INT",
    "INV", "INVBITMAP", "IX", "IXH", "IXL", "IY", "IYH", "IYL", "JP", "JR", "L", "LABEL", "LD",
    "LDD", "LDDR", "LDDRX", "LDDX", "LDI", "LDIR", "LDIRSCALE", "LDIRX", "LDIX", "LDPIRX",
    "LDWS", "LEND", "LENGTH", "LM", "LN", "LOCAL", "LOG", "LOOP", "LOW", "LOWERCASE", "LX", "LY",
    "M", "MACRO", "MALIGN", "MALIGNED", "MALIGNEND", "MEM_CODE", "MEM_RO", "MEM_ROM", "MEM_SMC",
    "MEM_VAR", "MEM_VOID", "MEM_WO", "MEND", "MIRROR", "MOD", "MORSE", "MUL", "MULTIPASS", "NC",
    "NEG", "NEXT", "NEXTREG", "NOFLOW", "NOP", "NOT", "NV", "NZ", "OPT", "OPTIONBOOL",
    "OPTIONFLOAT", "OPTIONINT", "OPTIONLIST", "OPTIONSIZE", "OR", "ORD", "ORG", "OTDR", "OTIR",
    "OUT", "OUTD", "OUTI", "OUTINB", "OUTPUT_BIN", "OUTPUT_C", "OUTPUT_CON", "OUTPUT_CON_BLOCK",
    "OUTPUT_CON_DATA", "OUTPUT_CON_PALETTE", "OUTPUT_CON_SCREEN", "OUTPUT_CPM", "OUTPUT_DB",
    "OUTPUT_HEX", "OUTPUT_INTEL", "OUTPUT_LIST", "OUTPUT_MOTOROLA", "OUTPUT_NEX",
    "OUTPUT_NEX_DATA", "OUTPUT_NEX_PALETTE", "OUTPUT_NEX_SCREEN", "OUTPUT_PARA", "OUTPUT_SNA",
    "OUTPUT_SREC", "OUTPUT_SZX", "OUTPUT_TAP", "OUTPUT_TAP_BLOCK", "OUTPUT_TEXT", "OUTPUT_TZX",
    "OUTPUT_TZX_BLOCK", "OUTPUT_UNIT", "OUTPUT_Z80", "P", "PE", "PEND", "PIXELAD", "PIXELDN",
    "PO", "POP", "PRINT", "PRINTHEX", "PROC", "PROFILE", "PUSH", "R", "REPEAT", "REPT", "RES",
    "RET", "RETI", "RETN", "RETP", "RETURN", "RL", "RLA", "RLC", "RLCA", "RLD", "ROMAN", "ROUND",
    "RR", "RRA", "RRC", "RRCA", "RRD", "RST", "SBC", "SCF", "SEGMENT", "SEND", "SET", "SETAE",
    "SETPREFIX", "SETRADIX", "SHL", "SHR", "SIN", "SLA", "SLI", "SP", "SQRT", "SRA", "SRL",
    "STATIC", "STEP", "STRICT", "STRUCT", "SUB", "SUM_MEM", "SWAPNIB", "SWITCH", "TAN", "TEST",
    "THEN", "TITLECASE", "TO", "TOHEX", "TOSTR", "UNTIL", "UPPERCASE", "V", "VAR", "VARIABLE",
    "VELDASSERT", "VELDCOMPRESS", "VELDCOPYFILE", "VELDDATABREAKPOINT", "VELDDATAFOLLOWS",
    "VELDDELETEFILE", "VELDDISPLAYADDR", "VELDEMUCMD", "VELDEMULATE", "VELDERROR",
    "VELDERRORHEX", "VELDFONT", "VELDGETFILELENGTH", "VELDINVOKE", "VELDKEYADDR", "VELDKEYBIT",
    "VELDKEYMASK", "VELDMARKUNUSED", "VELDMARKUSED", "VELDMEM", "VELDMMU", "VELDMOVEFILE",
    "VELDOVERRIDE", "VELDPAGE", "VELDPALETTE", "VELDPRINT", "VELDPRINTHEX", "VELDPRINTROMAN",
    "VELDRAND", "VELDROM", "VELDSLEEP", "VELDSPRITES", "VELDSYNTAXHIGHLIGHT", "VELDTEST",
    "VELDTIMERSTART", "VELDTIMERSTOP", "WEND", "WHILE", "WORD", "XH", "XL", "XOR", "XOR_MEM",
    "YH", "YL", "Z", "ZPOP", "ZPUSH", "ZXATTRADDR", "ZXNEXTMAP", "ZXPIXELADDR",
};
// clang-format on

// Spellings whose token is not named after them.
const std::map<std::string, std::string> kValueNameOf = {
    {"BITMAP", "tokBITMAP"},
    {"DEFINED", "tDEF"},
    {"DEFF", "tDF"},
    {"DEFG", "tDG"},
    {"DUP", "tLOOP"},
    {"ENDL", "tLEND"},
    {"EDUP", "tLEND"},
    {"ENDM", "tMEND"},
    {"ENDMACRO", "tMEND"},
    {"ENDP", "tPEND"},
    {"ENDW", "tWEND"},
    {"HX", "tIXH"},
    {"XH", "tIXH"},
    {"LX", "tIXL"},
    {"XL", "tIXL"},
    {"HY", "tIYH"},
    {"YH", "tIYH"},
    {"LY", "tIYL"},
    {"YL", "tIYL"},
    {"MALIGNEND", "tMALIGNED"},
    {"OUTPUT_MOTOROLA", "tOUTPUT_SREC"},
    {"VELDEMULATE", "tEMULATE_SPECTRUM"},
    {"VELDMEM", "tVELD_MEM"},
};

const std::set<std::string> kBlockOnly = {"BEGIN",  "FUNCTION", "PRINT", "PRINTHEX",
                                          "RETURN", "STATIC",   "THEN",  "VAR"};
// clang-format off
const std::set<std::string> kBothModes = {
    "ABS", "ACOS", "AND", "ASIN", "ATAN", "CASE", "CHR", "COS", "DEFINED", "ELIF", "ELSE",
    "ELSEIF", "ENABLED", "END", "EOR", "EXP", "FLT", "FOR", "FRAC", "HIGH", "IF", "INT", "INV",
    "INVBITMAP", "LENGTH", "LN", "LOG", "LOW", "LOWERCASE", "MOD", "MORSE", "NEXT", "NOT", "OR",
    "OUTPUT_NEX_DATA", "REPEAT", "ROMAN", "ROUND", "SIN", "SQRT", "STEP", "SWITCH", "TAN",
    "TITLECASE", "TO", "TOHEX", "TOSTR", "UNTIL", "UPPERCASE", "WHILE", "XOR",
    "VELDGETFILELENGTH", "VELDKEYADDR", "VELDKEYBIT", "VELDKEYMASK", "VELDMMU", "VELDPAGE",
    "VELDPRINT", "VELDPRINTHEX", "VELDRAND", "VELDROM", "ZXATTRADDR", "ZXPIXELADDR",
};
// clang-format on

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

uint8_t ModesOf(const std::string& name) {
  if (kBlockOnly.count(name)) return 2;
  if (kBothModes.count(name)) return 3;
  return 1;
}

std::string ValueNameOf(const std::string& spelling) {
  auto it = kValueNameOf.find(spelling);
  return it != kValueNameOf.end() ? it->second : "t" + spelling;
}

class KeywordTableTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildKeywordTable(table); }
  void TearDown() override { FreeKeywordTable(table); }
  KeywordTable table;
};

}  // namespace

TEST(NameHash, WorkedExamples) {
  EXPECT_EQ(NameHash("abc"), 0xC89D0064u);
  EXPECT_EQ(NameHash("LD"), 0xA16D0A02u);
  EXPECT_EQ(NameHash("ld"), 0x0F870E68u);
  EXPECT_EQ(NameHash(""), 0xFFFFFFFFu);
  // Only the low eight bits of each character count.
  EXPECT_EQ(NameHash("\xE9"), NameHash(std::string(1, static_cast<char>(0xE9))));
}

TEST(KeywordList, HasThreeHundredFiftyOneDistinctSpellings) {
  std::set<std::string> unique(kAllSpellings.begin(), kAllSpellings.end());
  EXPECT_EQ(kAllSpellings.size(), 351u);
  EXPECT_EQ(unique.size(), 351u);
  size_t normalOnly = 0;
  for (const auto& n : kAllSpellings) normalOnly += ModesOf(n) == 1;
  EXPECT_EQ(normalOnly, 280u);
}

// The enumeration is in alphabetical order of the value names, with tokBITMAP
// sorting as tBITMAP, tNil right after tNZ and tZXNEXTMAP last.
TEST_F(KeywordTableTest, TokenValuesFollowTheDescribedOrder) {
  std::set<std::string> valueNames = {"tAFPRIME", "tHASHDEFINE"};
  for (const auto& n : kAllSpellings) valueNames.insert(ValueNameOf(n));
  ASSERT_EQ(valueNames.size() + 1, 333u);  // plus tNil
  std::vector<std::string> order(valueNames.begin(), valueNames.end());
  auto sortKey = [](const std::string& v) { return v == "tokBITMAP" ? std::string("tBITMAP") : v; };
  order.erase(std::find(order.begin(), order.end(), "tZXNEXTMAP"));
  std::sort(order.begin(), order.end(),
            [&](const std::string& x, const std::string& y) { return sortKey(x) < sortKey(y); });
  order.insert(std::find(order.begin(), order.end(), "tNZ") + 1, "tNil");
  order.push_back("tZXNEXTMAP");

  auto indexOf = [&](const std::string& v) {
    return static_cast<int>(std::find(order.begin(), order.end(), v) - order.begin());
  };
  for (const auto& n : kAllSpellings)
    EXPECT_EQ(static_cast<int>(TokenOf(table, n, 3)), indexOf(ValueNameOf(n))) << n;
  EXPECT_EQ(static_cast<int>(tAFPRIME), indexOf("tAFPRIME"));
  EXPECT_EQ(static_cast<int>(tHASHDEFINE), indexOf("tHASHDEFINE"));
  EXPECT_EQ(static_cast<int>(tNil), indexOf("tNil"));
  EXPECT_EQ(static_cast<int>(tZXNEXTMAP), 332);
}

TEST_F(KeywordTableTest, EverySpellingInUpperAndLowerCaseInItsModes) {
  for (const auto& n : kAllSpellings) {
    const uint8_t modes = ModesOf(n);
    for (const std::string& s : {n, Lower(n)}) {
      const TToken inNormal = TokenOf(table, s, 1);
      const TToken inBlock = TokenOf(table, s, 2);
      EXPECT_EQ(inNormal != tNil, (modes & 1) != 0) << s;
      EXPECT_EQ(inBlock != tNil, (modes & 2) != 0) << s;
      const TTokenEntry* e = FindKeywordEntry(table, s, modes);
      ASSERT_NE(e, nullptr) << s;
      EXPECT_EQ(e->Name, s);
      EXPECT_EQ(e->Len, static_cast<int32_t>(s.size()));
      EXPECT_EQ(e->CRC, NameHash(s));
      EXPECT_EQ(e->TokenMask, modes);
    }
    EXPECT_EQ(TokenOf(table, n, 3), TokenOf(table, Lower(n), 3)) << n;
  }
}

TEST_F(KeywordTableTest, MixedCaseIsNeverAKeyword) {
  for (const auto& n : kAllSpellings) {
    const std::string low = Lower(n);
    if (std::count_if(n.begin(), n.end(), [](char c) { return std::isalpha(c); }) < 2) continue;
    std::string capital = low, inverted = n;
    capital[0] = n[0];
    inverted[0] = low[0];
    for (const std::string& s : {capital, inverted}) EXPECT_EQ(TokenOf(table, s, 3), tNil) << s;
  }
  EXPECT_EQ(TokenOf(table, "Mul", 1), tNil);
  EXPECT_EQ(TokenOf(table, "mUL", 1), tNil);
  EXPECT_EQ(TokenOf(table, "MUL", 1), tMUL);
  EXPECT_EQ(TokenOf(table, "mul", 1), tMUL);
  EXPECT_EQ(TokenOf(table, "Ld", 1), tNil);
}

// The item reader finds words of up to eight characters through the short
// index, keyed by the word's characters read in one load from the line; it
// must give the entry the hashed index gives, for keywords and for words
// that are not keywords, whether the line goes on after the word or not.
TEST_F(KeywordTableTest, ShortIndexAgreesWithTheHashedIndex) {
  std::vector<std::string> words = {"Ld", "lD", "abc", "L000001", "xy_z", "a1", "HL2", "_", "$"};
  for (const auto& n : kAllSpellings) {
    if (n.size() > kShortKeywordLength) continue;
    words.push_back(n);
    words.push_back(Lower(n));
    words.push_back(Lower(n).substr(0, n.size() - 1) + "q");  // one letter off
  }
  for (const std::string& w : words) {
    if (w.empty() || w.size() > kShortKeywordLength) continue;
    const std::string line = w + ",(hl)    ; more text";
    const uint64_t alone = ShortKeywordKey(w.data(), w.size(), w.size());
    ASSERT_EQ(ShortKeywordKey(line.data(), w.size(), line.size()), alone) << w;
    for (uint8_t mode : {1, 2, 3})
      EXPECT_EQ(FindShortKeyword(table, alone, mode),
                FindKeywordHashed(table, w, NameHash(w), mode))
          << w << " in mode " << int{mode};
  }
  // Texts built at run time ("\" in a macro) may hold zero bytes, which
  // words never do: such a text is no keyword.
  EXPECT_EQ(TokenOf(table, std::string("LD\0", 3), 1), tNil);
  EXPECT_EQ(TokenOf(table, std::string("A\0\0", 3), 3), tNil);
  EXPECT_EQ(TokenOf(table, std::string("LD", 2), 1), tLD);
}

TEST_F(KeywordTableTest, SynonymsShareATokenAndOthersDoNot) {
  EXPECT_EQ(TokenOf(table, "DEFINED", 1), tDEF);
  EXPECT_EQ(TokenOf(table, "DEF", 1), tDEF);
  EXPECT_EQ(TokenOf(table, "DEFINED", 2), tDEF);
  EXPECT_EQ(TokenOf(table, "DEF", 2), tNil);
  EXPECT_EQ(TokenOf(table, "endmacro", 1), tMEND);
  EXPECT_EQ(TokenOf(table, "xh", 1), tIXH);
  EXPECT_EQ(TokenOf(table, "VELDMEM", 1), tVELD_MEM);
  EXPECT_EQ(TokenOf(table, "BITMAP", 1), tokBITMAP);
  // Spellings not listed as synonyms all have tokens of their own.
  std::map<TToken, std::string> seen;
  for (const auto& n : kAllSpellings) {
    if (kValueNameOf.count(n) && ValueNameOf(n) != "t" + n && n != "BITMAP") continue;
    auto [it, fresh] = seen.emplace(TokenOf(table, n, 3), n);
    EXPECT_TRUE(fresh) << n << " shares a token with " << it->second;
  }
}

TEST_F(KeywordTableTest, ModeClassExamples) {
  EXPECT_EQ(TokenOf(table, "PRINT", 1), tNil);
  EXPECT_EQ(TokenOf(table, "PRINT", 2), tPRINT);
  EXPECT_EQ(TokenOf(table, "IF", 1), tIF);
  EXPECT_EQ(TokenOf(table, "if", 2), tIF);
  EXPECT_EQ(TokenOf(table, "LD", 1), tLD);
  EXPECT_EQ(TokenOf(table, "LD", 2), tNil);
}

TEST_F(KeywordTableTest, NonKeywordsGiveNil) {
  EXPECT_EQ(TokenOf(table, "AF'", 3), tNil);
  EXPECT_EQ(TokenOf(table, "#define", 3), tNil);
  EXPECT_EQ(TokenOf(table, "", 3), tNil);
  EXPECT_EQ(TokenOf(table, "LOOPY", 3), tNil);
  EXPECT_EQ(TokenOf(table, "VELDSYNTAXHIGHLIGHTS", 3), tNil);
  EXPECT_EQ(TokenOf(table, "VELDSYNTAXHIGHLIGHT", 1), tVELDSYNTAXHIGHLIGHT);
  EXPECT_EQ(TokenOf(table, "LD", 0), tNil);
}

TEST_F(KeywordTableTest, TableHoldsEachSpellingOnceAndIsRebuiltCleanly) {
  auto countAll = [&] {
    size_t n = 0;
    for (const TTokenEntry& e : table.storage) n += e.Len > 0;
    return n;
  };
  auto countBuckets = [&] {
    size_t n = 0;
    if (table.slots == nullptr) return n;
    for (size_t i = 0; i < kKeywordSlots; ++i)
      if (const TKeywordSlot& s = table.slots[i]; s.len != 0) {
        const TTokenEntry& e = table.storage[s.entry];
        EXPECT_EQ(s.crc, e.CRC);
        EXPECT_EQ(s.len, static_cast<size_t>(e.Len));
        EXPECT_EQ(s.mask, e.TokenMask);
        ++n;
      }
    return n;
  };
  EXPECT_EQ(countAll(), 702u);
  EXPECT_EQ(countBuckets(), 702u);
  BuildKeywordTable(table);
  EXPECT_EQ(countAll(), 702u);
  EXPECT_EQ(TokenOf(table, "ld", 1), tLD);
  FreeKeywordTable(table);
  EXPECT_EQ(countAll(), 0u);
  EXPECT_EQ(countBuckets(), 0u);
  EXPECT_EQ(TokenOf(table, "ld", 1), tNil);
}

TEST(TokenSpelling, FirstSpellingOfEachToken) {
  EXPECT_EQ(TokenSpelling(tLD), "LD");
  EXPECT_EQ(TokenSpelling(tDEF), "DEF");
  EXPECT_EQ(TokenSpelling(tLEND), "EDUP");  // EDUP, ENDL, LEND
  EXPECT_EQ(TokenSpelling(tIXH), "HX");     // HX, IXH, XH
  EXPECT_EQ(TokenSpelling(tokBITMAP), "BITMAP");
  EXPECT_EQ(TokenSpelling(tEMULATE_SPECTRUM), "EMULATE_SPECTRUM");
  EXPECT_EQ(TokenSpelling(tVELD_MEM), "VELDMEM");
  EXPECT_EQ(TokenSpelling(tAFPRIME), "AF'");
  EXPECT_EQ(TokenSpelling(tNil), "");
}
