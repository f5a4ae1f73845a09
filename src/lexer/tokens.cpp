#include "lexer/tokens.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace {

// One keyword spelling and the modes in which it is a keyword: 1 normal only,
// 2 inside "[[" ... "]]" only, 3 both. Each is registered in upper case and in
// lower case, in this order.
struct KeywordDef {
  std::string_view name;
  TToken token;
  uint8_t modes;
};

// clang-format off
constexpr KeywordDef kKeywords[] = {
    {"A", tA, 1},
    {"ABS", tABS, 3},
    {"ACOS", tACOS, 3},
    {"ADC", tADC, 1},
    {"ADD", tADD, 1},
    {"AF", tAF, 1},
    {"ALIAS", tALIAS, 1},
    {"ALIGN", tALIGN, 1},
    {"AND", tAND, 3},
    {"ASIN", tASIN, 3},
    {"ATAN", tATAN, 3},
    {"B", tB, 1},
    {"BC", tBC, 1},
    {"BEGIN", tBEGIN, 2},
    {"BIT", tBIT, 1},
    {"BITMAP", tokBITMAP, 1},
    {"BRLC", tBRLC, 1},
    {"BSLA", tBSLA, 1},
    {"BSRA", tBSRA, 1},
    {"BSRF", tBSRF, 1},
    {"BSRL", tBSRL, 1},
    {"C", tC, 1},
    {"CALL", tCALL, 1},
    {"CASE", tCASE, 3},
    {"CCF", tCCF, 1},
    {"CCR", tCCR, 1},
    {"CHR", tCHR, 3},
    {"COS", tCOS, 3},
    {"CP", tCP, 1},
    {"CPD", tCPD, 1},
    {"CPDR", tCPDR, 1},
    {"CPI", tCPI, 1},
    {"CPIR", tCPIR, 1},
    {"CPL", tCPL, 1},
    {"D", tD, 1},
    {"DAA", tDAA, 1},
    {"DB", tDB, 1},
    {"DBGBREAK", tDBGBREAK, 1},
    {"DBGEXIT", tDBGEXIT, 1},
    {"DBL", tDBL, 1},
    {"DBLL", tDBLL, 1},
    {"DBLW", tDBLW, 1},
    {"DBTB", tDBTB, 1},
    {"DBX", tDBX, 1},
    {"DBXO", tDBXO, 1},
    {"DBXTB", tDBXTB, 1},
    {"DE", tDE, 1},
    {"DEC", tDEC, 1},
    {"DEF", tDEF, 1},
    {"DEFAULT", tDEFAULT, 1},
    {"DEFB", tDEFB, 1},
    {"DEFF", tDF, 1},
    {"DEFG", tDG, 1},
    {"DEFINED", tDEF, 3},
    {"DEFL", tDEFL, 1},
    {"DEFLBE", tDEFLBE, 1},
    {"DEFM", tDEFM, 1},
    {"DEFS", tDEFS, 1},
    {"DEFV", tDEFV, 1},
    {"DEFW", tDEFW, 1},
    {"DEFWBE", tDEFWBE, 1},
    {"DF", tDF, 1},
    {"DG", tDG, 1},
    {"DH", tDH, 1},
    {"DI", tDI, 1},
    {"DISP", tDISP, 1},
    {"DISPTO", tDISPTO, 1},
    {"DJNZ", tDJNZ, 1},
    {"DL", tDL, 1},
    {"DS", tDS, 1},
    {"DUP", tLOOP, 1},
    {"DW", tDW, 1},
    {"E", tE, 1},
    {"EDUP", tLEND, 1},
    {"EI", tEI, 1},
    {"ELIF", tELIF, 3},
    {"ELSE", tELSE, 3},
    {"ELSEIF", tELSEIF, 3},
    {"EMULATE_SPECTRUM", tEMULATE_SPECTRUM, 1},
    {"ENABLED", tENABLED, 3},
    {"END", tEND, 3},
    {"ENDCASE", tENDCASE, 1},
    {"ENDIF", tENDIF, 1},
    {"ENDL", tLEND, 1},
    {"ENDM", tMEND, 1},
    {"ENDMACRO", tMEND, 1},
    {"ENDP", tPEND, 1},
    {"ENDSWITCH", tENDSWITCH, 1},
    {"ENDW", tWEND, 1},
    {"ENT", tENT, 1},
    {"EOR", tEOR, 3},
    {"EQU", tEQU, 1},
    {"EX", tEX, 1},
    {"EXP", tEXP, 3},
    {"EXPORT_SYM", tEXPORT_SYM, 1},
    {"EXTENDED", tEXTENDED, 1},
    {"EXX", tEXX, 1},
    {"F", tF, 1},
    {"FEND", tFEND, 1},
    {"FLT", tFLT, 3},
    {"FOR", tFOR, 3},
    {"FRAC", tFRAC, 3},
    {"FUNCTION", tFUNCTION, 2},
    {"H", tH, 1},
    {"HALT", tHALT, 1},
    {"HIGH", tHIGH, 3},
    {"HL", tHL, 1},
    {"HX", tIXH, 1},
    {"HY", tIYH, 1},
    {"I", tI, 1},
    {"IF", tIF, 3},
    {"IM", tIM, 1},
    {"IMPORT_BIN", tIMPORT_BIN, 1},
    {"IMPORT_COMPARISON", tIMPORT_COMPARISON, 1},
    {"IMPORT_CPM", tIMPORT_CPM, 1},
    {"IMPORT_HEX", tIMPORT_HEX, 1},
    {"IN", tIN, 1},
    {"INC", tINC, 1},
    {"INCLUDE", tINCLUDE, 1},
    {"IND", tIND, 1},
    {"INDR", tINDR, 1},
    {"INI", tINI, 1},
    {"INIR", tINIR, 1},
    {"INT", tINT, 3},
    {"INV", tINV, 3},
    {"INVBITMAP", tINVBITMAP, 3},
    {"IX", tIX, 1},
    {"IXH", tIXH, 1},
    {"IXL", tIXL, 1},
    {"IY", tIY, 1},
    {"IYH", tIYH, 1},
    {"IYL", tIYL, 1},
    {"JP", tJP, 1},
    {"JR", tJR, 1},
    {"L", tL, 1},
    {"LABEL", tLABEL, 1},
    {"LD", tLD, 1},
    {"LDD", tLDD, 1},
    {"LDDR", tLDDR, 1},
    {"LDDRX", tLDDRX, 1},
    {"LDDX", tLDDX, 1},
    {"LDI", tLDI, 1},
    {"LDIR", tLDIR, 1},
    {"LDIRSCALE", tLDIRSCALE, 1},
    {"LDIRX", tLDIRX, 1},
    {"LDIX", tLDIX, 1},
    {"LDPIRX", tLDPIRX, 1},
    {"LDWS", tLDWS, 1},
    {"LEND", tLEND, 1},
    {"LENGTH", tLENGTH, 3},
    {"LM", tLM, 1},
    {"LN", tLN, 3},
    {"LOCAL", tLOCAL, 1},
    {"LOG", tLOG, 3},
    {"LOOP", tLOOP, 1},
    {"LOW", tLOW, 3},
    {"LOWERCASE", tLOWERCASE, 3},
    {"LX", tIXL, 1},
    {"LY", tIYL, 1},
    {"M", tM, 1},
    {"MACRO", tMACRO, 1},
    {"MALIGN", tMALIGN, 1},
    {"MALIGNED", tMALIGNED, 1},
    {"MALIGNEND", tMALIGNED, 1},
    {"MEM_CODE", tMEM_CODE, 1},
    {"MEM_RO", tMEM_RO, 1},
    {"MEM_ROM", tMEM_ROM, 1},
    {"MEM_SMC", tMEM_SMC, 1},
    {"MEM_VAR", tMEM_VAR, 1},
    {"MEM_VOID", tMEM_VOID, 1},
    {"MEM_WO", tMEM_WO, 1},
    {"MEND", tMEND, 1},
    {"MIRROR", tMIRROR, 1},
    {"MOD", tMOD, 3},
    {"MORSE", tMORSE, 3},
    {"MUL", tMUL, 1},
    {"MULTIPASS", tMULTIPASS, 1},
    {"NC", tNC, 1},
    {"NEG", tNEG, 1},
    {"NEXT", tNEXT, 3},
    {"NEXTREG", tNEXTREG, 1},
    {"NOFLOW", tNOFLOW, 1},
    {"NOP", tNOP, 1},
    {"NOT", tNOT, 3},
    {"NV", tNV, 1},
    {"NZ", tNZ, 1},
    {"OPT", tOPT, 1},
    {"OPTIONBOOL", tOPTIONBOOL, 1},
    {"OPTIONFLOAT", tOPTIONFLOAT, 1},
    {"OPTIONINT", tOPTIONINT, 1},
    {"OPTIONLIST", tOPTIONLIST, 1},
    {"OPTIONSIZE", tOPTIONSIZE, 1},
    {"OR", tOR, 3},
    {"ORD", tORD, 1},
    {"ORG", tORG, 1},
    {"OTDR", tOTDR, 1},
    {"OTIR", tOTIR, 1},
    {"OUT", tOUT, 1},
    {"OUTD", tOUTD, 1},
    {"OUTI", tOUTI, 1},
    {"OUTINB", tOUTINB, 1},
    {"OUTPUT_BIN", tOUTPUT_BIN, 1},
    {"OUTPUT_C", tOUTPUT_C, 1},
    {"OUTPUT_CON", tOUTPUT_CON, 1},
    {"OUTPUT_CON_BLOCK", tOUTPUT_CON_BLOCK, 1},
    {"OUTPUT_CON_DATA", tOUTPUT_CON_DATA, 1},
    {"OUTPUT_CON_PALETTE", tOUTPUT_CON_PALETTE, 1},
    {"OUTPUT_CON_SCREEN", tOUTPUT_CON_SCREEN, 1},
    {"OUTPUT_CPM", tOUTPUT_CPM, 1},
    {"OUTPUT_DB", tOUTPUT_DB, 1},
    {"OUTPUT_HEX", tOUTPUT_HEX, 1},
    {"OUTPUT_INTEL", tOUTPUT_INTEL, 1},
    {"OUTPUT_LIST", tOUTPUT_LIST, 1},
    {"OUTPUT_MOTOROLA", tOUTPUT_SREC, 1},
    {"OUTPUT_NEX", tOUTPUT_NEX, 1},
    {"OUTPUT_NEX_DATA", tOUTPUT_NEX_DATA, 3},
    {"OUTPUT_NEX_PALETTE", tOUTPUT_NEX_PALETTE, 1},
    {"OUTPUT_NEX_SCREEN", tOUTPUT_NEX_SCREEN, 1},
    {"OUTPUT_PARA", tOUTPUT_PARA, 1},
    {"OUTPUT_SNA", tOUTPUT_SNA, 1},
    {"OUTPUT_SREC", tOUTPUT_SREC, 1},
    {"OUTPUT_SZX", tOUTPUT_SZX, 1},
    {"OUTPUT_TAP", tOUTPUT_TAP, 1},
    {"OUTPUT_TAP_BLOCK", tOUTPUT_TAP_BLOCK, 1},
    {"OUTPUT_TEXT", tOUTPUT_TEXT, 1},
    {"OUTPUT_TZX", tOUTPUT_TZX, 1},
    {"OUTPUT_TZX_BLOCK", tOUTPUT_TZX_BLOCK, 1},
    {"OUTPUT_UNIT", tOUTPUT_UNIT, 1},
    {"OUTPUT_Z80", tOUTPUT_Z80, 1},
    {"P", tP, 1},
    {"PE", tPE, 1},
    {"PEND", tPEND, 1},
    {"PIXELAD", tPIXELAD, 1},
    {"PIXELDN", tPIXELDN, 1},
    {"PO", tPO, 1},
    {"POP", tPOP, 1},
    {"PRINT", tPRINT, 2},
    {"PRINTHEX", tPRINTHEX, 2},
    {"PROC", tPROC, 1},
    {"PROFILE", tPROFILE, 1},
    {"PUSH", tPUSH, 1},
    {"R", tR, 1},
    {"REPEAT", tREPEAT, 3},
    {"REPT", tREPT, 1},
    {"RES", tRES, 1},
    {"RET", tRET, 1},
    {"RETI", tRETI, 1},
    {"RETN", tRETN, 1},
    {"RETP", tRETP, 1},
    {"RETURN", tRETURN, 2},
    {"RL", tRL, 1},
    {"RLA", tRLA, 1},
    {"RLC", tRLC, 1},
    {"RLCA", tRLCA, 1},
    {"RLD", tRLD, 1},
    {"ROMAN", tROMAN, 3},
    {"ROUND", tROUND, 3},
    {"RR", tRR, 1},
    {"RRA", tRRA, 1},
    {"RRC", tRRC, 1},
    {"RRCA", tRRCA, 1},
    {"RRD", tRRD, 1},
    {"RST", tRST, 1},
    {"SBC", tSBC, 1},
    {"SCF", tSCF, 1},
    {"SEGMENT", tSEGMENT, 1},
    {"SEND", tSEND, 1},
    {"SET", tSET, 1},
    {"SETAE", tSETAE, 1},
    {"SETPREFIX", tSETPREFIX, 1},
    {"SETRADIX", tSETRADIX, 1},
    {"SHL", tSHL, 1},
    {"SHR", tSHR, 1},
    {"SIN", tSIN, 3},
    {"SLA", tSLA, 1},
    {"SLI", tSLI, 1},
    {"SP", tSP, 1},
    {"SQRT", tSQRT, 3},
    {"SRA", tSRA, 1},
    {"SRL", tSRL, 1},
    {"STATIC", tSTATIC, 2},
    {"STEP", tSTEP, 3},
    {"STRICT", tSTRICT, 1},
    {"STRUCT", tSTRUCT, 1},
    {"SUB", tSUB, 1},
    {"SUM_MEM", tSUM_MEM, 1},
    {"SWAPNIB", tSWAPNIB, 1},
    {"SWITCH", tSWITCH, 3},
    {"TAN", tTAN, 3},
    {"TEST", tTEST, 1},
    {"THEN", tTHEN, 2},
    {"TITLECASE", tTITLECASE, 3},
    {"TO", tTO, 3},
    {"TOHEX", tTOHEX, 3},
    {"TOSTR", tTOSTR, 3},
    {"UNTIL", tUNTIL, 3},
    {"UPPERCASE", tUPPERCASE, 3},
    {"V", tV, 1},
    {"VAR", tVAR, 2},
    {"VARIABLE", tVARIABLE, 1},
    {"VELDASSERT", tVELDASSERT, 1},
    {"VELDCOMPRESS", tVELDCOMPRESS, 1},
    {"VELDCOPYFILE", tVELDCOPYFILE, 1},
    {"VELDDATABREAKPOINT", tVELDDATABREAKPOINT, 1},
    {"VELDDATAFOLLOWS", tVELDDATAFOLLOWS, 1},
    {"VELDDELETEFILE", tVELDDELETEFILE, 1},
    {"VELDDISPLAYADDR", tVELDDISPLAYADDR, 1},
    {"VELDEMUCMD", tVELDEMUCMD, 1},
    {"VELDEMULATE", tEMULATE_SPECTRUM, 1},
    {"VELDERROR", tVELDERROR, 1},
    {"VELDERRORHEX", tVELDERRORHEX, 1},
    {"VELDFONT", tVELDFONT, 1},
    {"VELDGETFILELENGTH", tVELDGETFILELENGTH, 3},
    {"VELDINVOKE", tVELDINVOKE, 1},
    {"VELDKEYADDR", tVELDKEYADDR, 3},
    {"VELDKEYBIT", tVELDKEYBIT, 3},
    {"VELDKEYMASK", tVELDKEYMASK, 3},
    {"VELDMARKUNUSED", tVELDMARKUNUSED, 1},
    {"VELDMARKUSED", tVELDMARKUSED, 1},
    {"VELDMEM", tVELD_MEM, 1},
    {"VELDMMU", tVELDMMU, 3},
    {"VELDMOVEFILE", tVELDMOVEFILE, 1},
    {"VELDOVERRIDE", tVELDOVERRIDE, 1},
    {"VELDPAGE", tVELDPAGE, 3},
    {"VELDPALETTE", tVELDPALETTE, 1},
    {"VELDPRINT", tVELDPRINT, 3},
    {"VELDPRINTHEX", tVELDPRINTHEX, 3},
    {"VELDPRINTROMAN", tVELDPRINTROMAN, 1},
    {"VELDRAND", tVELDRAND, 3},
    {"VELDROM", tVELDROM, 3},
    {"VELDSLEEP", tVELDSLEEP, 1},
    {"VELDSPRITES", tVELDSPRITES, 1},
    {"VELDSYNTAXHIGHLIGHT", tVELDSYNTAXHIGHLIGHT, 1},
    {"VELDTEST", tVELDTEST, 1},
    {"VELDTIMERSTART", tVELDTIMERSTART, 1},
    {"VELDTIMERSTOP", tVELDTIMERSTOP, 1},
    {"WEND", tWEND, 1},
    {"WHILE", tWHILE, 3},
    {"WORD", tWORD, 1},
    {"XH", tIXH, 1},
    {"XL", tIXL, 1},
    {"XOR", tXOR, 3},
    {"XOR_MEM", tXOR_MEM, 1},
    {"YH", tIYH, 1},
    {"YL", tIYL, 1},
    {"Z", tZ, 1},
    {"ZPOP", tZPOP, 1},
    {"ZPUSH", tZPUSH, 1},
    {"ZXATTRADDR", tZXATTRADDR, 3},
    {"ZXNEXTMAP", tZXNEXTMAP, 1},
    {"ZXPIXELADDR", tZXPIXELADDR, 3},
};
// clang-format on

constexpr size_t kKeywordCount = std::size(kKeywords);
static_assert(kKeywordCount == 351);
// Both spellings of every keyword fill the index at most half, so a look-up
// always meets a free slot.
static_assert(4 * kKeywordCount <= kKeywordSlots);

constexpr size_t LongestKeyword() {
  size_t n = 0;
  for (const KeywordDef& k : kKeywords) n = std::max(n, k.name.size());
  return n;
}
static_assert(LongestKeyword() == kMaxKeywordLength);

// The first spelling of each token in the keyword list, for messages and for
// giving a keyword back as text.
constexpr std::array<std::string_view, tZXNEXTMAP + 1> MakeSpellings() {
  std::array<std::string_view, tZXNEXTMAP + 1> s{};
  for (size_t i = kKeywordCount; i-- > 0;) s[kKeywords[i].token] = kKeywords[i].name;
  s[tAFPRIME] = "AF'";
  s[tHASHDEFINE] = "#define";
  return s;
}
constexpr auto kSpellings = MakeSpellings();

constexpr bool AllKeywordsFit() {
  for (const KeywordDef& k : kKeywords)
    if (k.name.size() > kMaxKeywordLength) return false;
  return true;
}
static_assert(AllKeywordsFit(), "a keyword is longer than kMaxKeywordLength");

// Every spelling in upper and in lower case (keywords are plain ASCII), one
// fixed-size field each, in registration order.
constexpr size_t kSpellingCount = 2 * kKeywordCount;
constexpr std::array<char, kSpellingCount * kMaxKeywordLength> MakeNamePool() {
  std::array<char, kSpellingCount * kMaxKeywordLength> pool{};
  for (size_t k = 0; k < kKeywordCount; ++k)
    for (size_t i = 0; i < kKeywords[k].name.size(); ++i) {
      char c = kKeywords[k].name[i];
      char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
      pool[(2 * k) * kMaxKeywordLength + i] = upper;
      pool[(2 * k + 1) * kMaxKeywordLength + i] = lower;
    }
  return pool;
}
constexpr auto kNamePool = MakeNamePool();

constexpr std::string_view SpellingName(size_t n) {
  return {kNamePool.data() + n * kMaxKeywordLength, kKeywords[n / 2].name.size()};
}

// The table as built by registering each spelling in turn: a spelling that
// is already a keyword in one of its modes (a name without letters has one
// spelling) is not added again.
struct KeywordData {
  std::array<TTokenEntry, kSpellingCount> entries{};
  size_t count = 0;
  // The index of the spellings of up to eight characters, into `entries`.
  ShortKeywordIndex shortIndex{};
  std::array<TKeywordSlot, kKeywordSlots> slots{};
};

constexpr void AddShortSpellings(KeywordData& d);

constexpr KeywordData MakeKeywordData() {
  KeywordData d;
  for (size_t n = 0; n < kSpellingCount; ++n) {
    const std::string_view name = SpellingName(n);
    const KeywordDef& k = kKeywords[n / 2];
    const uint32_t crc = NameHash(name);
    size_t i = crc & (kKeywordSlots - 1);
    bool present = false;
    for (; d.slots[i].len != 0; i = (i + 1) & (kKeywordSlots - 1)) {
      const TKeywordSlot& s = d.slots[i];
      if (s.crc == crc && (s.mask & k.modes) && d.entries[s.entry].Name == name) present = true;
    }
    if (present) continue;
    d.entries[d.count] = TTokenEntry{crc, static_cast<int32_t>(name.size()),
                                     static_cast<uint32_t>(k.token), k.modes, name};
    d.slots[i] = TKeywordSlot{crc, static_cast<uint8_t>(name.size()), k.modes,
                              static_cast<uint16_t>(d.count)};
    ++d.count;
  }
  AddShortSpellings(d);
  return d;
}

// The short index over the same entries, added in registration order. Two
// entries of one spelling never share a mode, so a look-up finds the same
// entry as in the main index.
constexpr void AddShortSpellings(KeywordData& d) {
  ShortKeywordIndex& x = d.shortIndex;
  for (size_t n = 0; n < d.count; ++n) {
    const std::string_view name = d.entries[n].Name;
    if (name.size() > kShortKeywordLength) continue;
    const uint64_t key = ShortKeywordKeyOf(name);
    size_t i = ShortKeywordSlot(key);
    while (x.words[i] != 0) i = (i + 1) & (kShortKeywordSlots - 1);
    x.words[i] = key;
    x.hit[i] = ShortKeywordHit{static_cast<uint16_t>(d.entries[n].Value), static_cast<uint16_t>(n),
                               d.entries[n].TokenMask};
  }
}

constexpr KeywordData kKeywordData = MakeKeywordData();

// tNil stands for "no keyword" wherever a look-up answers with a token.
constexpr bool NoKeywordIsNil() {
  for (const KeywordDef& k : kKeywords)
    if (k.token == tNil) return false;
  return true;
}
static_assert(NoKeywordIsNil());

}  // namespace

void BuildKeywordTable(KeywordTable& t) {
  t.slots = kKeywordData.slots.data();
  t.shortIndex = &kKeywordData.shortIndex;
  t.storage = std::span<const TTokenEntry>(kKeywordData.entries.data(), kKeywordData.count);
}

void FreeKeywordTable(KeywordTable& t) { t = KeywordTable{}; }

const TTokenEntry* FindKeywordEntry(const KeywordTable& t, std::string_view text, uint8_t mode) {
  if (!text.empty() && text.size() <= kShortKeywordLength) {
    // A text that is not a word may hold zero bytes ("LD" and "LD\0" have
    // one key): the length tells them apart.
    const TTokenEntry* e = FindShortKeyword(t, ShortKeywordKeyOf(text), mode);
    return e != nullptr && e->Len == static_cast<int32_t>(text.size()) ? e : nullptr;
  }
  return FindKeywordHashed(t, text, NameHash(text), mode);
}

TToken TokenOf(const KeywordTable& t, std::string_view text, uint8_t mode) {
  // No keyword is longer than this; longer words skip the hash.
  if (text.size() > kMaxKeywordLength || text.empty()) return tNil;
  const TTokenEntry* e = FindKeywordEntry(t, text, mode);
  return e ? static_cast<TToken>(e->Value) : tNil;
}

std::string_view TokenSpelling(TToken t) {
  return t < kSpellings.size() ? kSpellings[t] : std::string_view{};
}
