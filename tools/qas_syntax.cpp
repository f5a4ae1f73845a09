// qas-syntax: writes the editor syntax files from the assembler's own tables,
// so that no keyword list is kept by hand. Every spelling of the keyword
// table is sorted into one family by what the assembler does with it:
// register and condition tables of the encoders, the instruction and
// directive handlers of the statement dispatch, the built-in functions of
// the evaluator. What is left are other keywords: operator words (MOD, SHL),
// the words of the "[[" ... "]]" blocks (THEN, RETURN) and reserved words
// without a statement of their own.
//
//   qas-syntax EDITORS_DIR
//
// writes EDITORS_DIR/vim/syntax/qas.vim, EDITORS_DIR/vim/ftdetect/qas.vim and
// EDITORS_DIR/textmate/qas.tmLanguage.json.

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "assembler/statement_loop.h"
#include "assembler/z80_common.h"
#include "eval/builtins.h"
#include "lexer/tokens.h"

namespace {

enum class Family { Register, Condition, Instruction, Directive, Function, Other };

struct FamilyInfo {
  Family family;
  const char* vimGroup;  // syntax group of the vim file
  const char* vimLink;   // standard group it is shown as
  const char* tmName;    // repository entry of the grammar
  const char* tmScope;   // TextMate scope
};

constexpr FamilyInfo kFamilies[] = {
    {Family::Register, "qasRegister", "Identifier", "registers", "variable.language.register.qas"},
    {Family::Condition, "qasCondition", "Type", "conditions", "support.constant.condition.qas"},
    {Family::Instruction, "qasInstruction", "Statement", "instructions", "keyword.mnemonic.qas"},
    {Family::Directive, "qasDirective", "PreProc", "directives", "keyword.control.directive.qas"},
    {Family::Function, "qasFunction", "Function", "functions", "support.function.builtin.qas"},
    {Family::Other, "qasKeyword", "Keyword", "keywords", "keyword.other.qas"},
};

// Which handlers a family of statements registers.
DispatchTable InstructionTable() {
  DispatchTable t;
  RegisterZ80Instructions(t);
  RegisterZ80NInstructions(t);
  return t;
}

DispatchTable DirectiveTable() {
  DispatchTable t;
  RegisterCoreStatements(t);
  RegisterPlacementDirectives(t);
  RegisterDataDirectives(t);
  RegisterConditionals(t);
  RegisterMacroDirectives(t);
  RegisterOptionDirectives(t);
  RegisterOutputDirectives(t);
  RegisterCompressDirective(t);
  RegisterImportDirectives(t);
  return t;
}

// The first family that claims a token wins: C is a register before it is a
// condition, AND an instruction before it is an operator word.
Family FamilyOf(TToken t, const DispatchTable& instructions, const DispatchTable& directives) {
  if (kTokenReg[t] != zrNone) return Family::Register;
  if (kTokenCond[t] >= 0) return Family::Condition;
  if (instructions.handler[t]) return Family::Instruction;
  if (directives.handler[t]) return Family::Directive;
  if (IsBuiltinFunction(t)) return Family::Function;
  return Family::Other;
}

// Every spelling of the keyword table (both cases), sorted into families;
// within a family longest first, so that alternations try "LDIR" before "LD".
std::map<Family, std::vector<std::string>> KeywordsByFamily() {
  KeywordTable table;
  BuildKeywordTable(table);
  const DispatchTable instructions = InstructionTable();
  const DispatchTable directives = DirectiveTable();
  std::map<Family, std::vector<std::string>> out;
  for (const TTokenEntry& e : table.storage)
    out[FamilyOf(static_cast<TToken>(e.Value), instructions, directives)].emplace_back(e.Name);
  for (auto& [family, words] : out) {
    std::sort(words.begin(), words.end(), [](const std::string& x, const std::string& y) {
      return x.size() != y.size() ? x.size() > y.size() : x < y;
    });
  }
  return out;
}

// Numbers as the lexer reads them, in the order they must be tried. Each is
// written once, in the notation vim's very-magic patterns and Oniguruma read
// alike (classes, groups, "+", "*", "?"); the writers add the word bounds.
struct NumberForm {
  const char* name;
  const char* body;
};

constexpr NumberForm kNumbers[] = {
    // "$" and "#" prefixes, "0x": hexadecimal ("_" separates digits).
    {"hex-prefix", "[$#][0-9A-Fa-f][0-9A-Fa-f_]*"},
    {"hex-0x", "0[xX][0-9A-Fa-f_]+"},
    // "%" binary with X and Z as zero bits and a B, W or L size suffix.
    {"binary-prefix", "[%][01XxZz_]+[BbWwLl]?"},
    // Roman numbers: 0r followed by the numeral's letters.
    {"roman", "0[rR][CDILMVXcdilmvx]+"},
    // Suffixes: h hexadecimal, q or o octal, b binary (X and Z are zero digits).
    {"hex-suffix", "[0-9][0-9A-Fa-fXxZz_]*[hH]"},
    {"octal-suffix", "[0-7][0-7XxZz_]*[qQoO]"},
    {"binary-suffix", "[01][01XxZz_]*[bB]"},
    // Decimal, with a fraction a float; a leading zero makes it octal.
    {"decimal", "[0-9][0-9XxZz_]*(\\.[0-9]+)?"},
};

// A number stands alone: identifiers hold letters, digits, "_", "$" and "%".
std::string TmNumber(const NumberForm& n) {
  return std::string("(?<![\\w$%])") + n.body + "(?![\\w$%])";
}
std::string VimNumber(const NumberForm& n) {
  return std::string("\\v([A-Za-z0-9_$%])@<!") + n.body + "([A-Za-z0-9_$%])@!";
}

std::string JsonEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// An alternation matching whole words only: identifiers also hold "$" and
// "%", and after "." or "@" a word is a local label ("@loop"), so "\b" alone
// would find "ld" in "ld$".
std::string WordAlternation(const std::vector<std::string>& words) {
  std::string alt;
  for (const std::string& w : words) alt += (alt.empty() ? "" : "|") + w;
  return "(?<![\\w$%.@])(?:" + alt + ")(?![\\w$%])";
}

void WriteTextMate(std::ostream& o, const std::map<Family, std::vector<std::string>>& kw) {
  o << "{\n"
    << "  \"$schema\": "
       "\"https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json\",\n"
    << "  \"name\": \"Veld Z80 assembler\",\n"
    << "  \"scopeName\": \"source.qas\",\n"
    << "  \"fileTypes\": [\"asm\", \"z80\", \"qas\"],\n"
    << "  \"comment\": \"Generated by qas-syntax from the keyword table; do not edit.\",\n"
    << "  \"patterns\": [\n"
    << "    { \"include\": \"#comments\" },\n"
    << "    { \"include\": \"#strings\" },\n"
    << "    { \"include\": \"#define\" },\n"
    << "    { \"include\": \"#numbers\" },\n"
    << "    { \"include\": \"#alternate-af\" },\n";
  for (const FamilyInfo& f : kFamilies) o << "    { \"include\": \"#" << f.tmName << "\" },\n";
  o << "    { \"include\": \"#labels\" }\n"
    << "  ],\n"
    << "  \"repository\": {\n"
    << "    \"comments\": {\n"
    << "      \"patterns\": [\n"
    << "        { \"name\": \"comment.line.semicolon.qas\", \"match\": \";.*$\" },\n"
    << "        { \"name\": \"comment.line.double-slash.qas\", \"match\": \"//.*$\" },\n"
    << "        { \"include\": \"#block-comment\" }\n"
    << "      ]\n"
    << "    },\n"
    << "    \"block-comment\": {\n"
    << "      \"name\": \"comment.block.qas\",\n"
    << "      \"begin\": \"/\\\\*\",\n"
    << "      \"end\": \"\\\\*/\",\n"
    << "      \"patterns\": [{ \"include\": \"#block-comment\" }]\n"
    << "    },\n"
    << "    \"strings\": {\n"
    << "      \"patterns\": [\n"
    << "        { \"name\": \"string.quoted.other.raw.qas\", \"match\": "
       "\"@\\\"(?:[^\\\"]|\\\"\\\")*\\\"\" },\n"
    << "        { \"name\": \"string.quoted.other.raw.qas\", \"match\": \"@'(?:[^']|'')*'\" },\n"
    << "        { \"name\": \"string.quoted.double.qas\", \"begin\": \"\\\"\", \"end\": "
       "\"\\\"(?!\\\")|$\",\n"
    << "          \"patterns\": [\n"
    << "            { \"name\": \"constant.character.escape.qas\", \"match\": "
       "\"\\\"\\\"|\\\\\\\\(?:x[0-9A-Fa-f]*|[0-7]+|.)\" }\n"
    << "          ] },\n"
    << "        { \"name\": \"string.quoted.single.qas\", \"begin\": \"'\", \"end\": "
       "\"'(?!')|$\",\n"
    << "          \"patterns\": [\n"
    << "            { \"name\": \"constant.character.escape.qas\", \"match\": "
       "\"''|\\\\\\\\(?:x[0-9A-Fa-f]*|[0-7]+|.)\" }\n"
    << "          ] }\n"
    << "      ]\n"
    << "    },\n"
    << "    \"define\": {\n"
    << "      \"name\": \"keyword.control.directive.qas\",\n"
    << "      \"match\": \"#[dD][eE][fF][iI][nN][eE](?![\\\\w$%#~])\"\n"
    << "    },\n"
    << "    \"numbers\": {\n"
    << "      \"patterns\": [\n";
  for (size_t i = 0; i < std::size(kNumbers); ++i) {
    o << "        { \"name\": \"constant.numeric." << kNumbers[i].name << ".qas\", \"match\": \""
      << JsonEscape(TmNumber(kNumbers[i])) << "\" }" << (i + 1 < std::size(kNumbers) ? "," : "")
      << "\n";
  }
  o << "      ]\n"
    << "    },\n"
    << "    \"alternate-af\": {\n"
    << "      \"name\": \"variable.language.register.qas\",\n"
    << "      \"match\": \"(?<![\\\\w$%.@])(?:AF|af)'\"\n"
    << "    },\n";
  for (const FamilyInfo& f : kFamilies) {
    auto it = kw.find(f.family);
    if (it == kw.end()) continue;
    o << "    \"" << f.tmName << "\": {\n"
      << "      \"name\": \"" << f.tmScope << "\",\n"
      << "      \"match\": \"" << JsonEscape(WordAlternation(it->second)) << "\"\n"
      << "    },\n";
  }
  // A label: a name at the start of a line, or indented and followed by ":".
  o << "    \"labels\": {\n"
    << "      \"name\": \"entity.name.label.qas\",\n"
    << "      \"match\": \"^(?:\\\\s*@?[A-Za-z_.][\\\\w$%.]*(?=:)|@?[A-Za-z_.][\\\\w$%.]*)\"\n"
    << "    }\n"
    << "  }\n"
    << "}\n";
}

void WriteVimKeywords(std::ostream& o, const char* group, const std::vector<std::string>& words) {
  // vim's keyword items cannot hold the alternate register's apostrophe, and
  // AF is matched with it below (a keyword would win over that match).
  std::string line;
  for (const std::string& w : words) {
    if (w == "AF" || w == "af") continue;
    if (line.size() + w.size() > 90) {
      o << "syntax keyword " << group << line << "\n";
      line.clear();
    }
    line += " " + w;
  }
  if (!line.empty()) o << "syntax keyword " << group << line << "\n";
}

void WriteVimSyntax(std::ostream& o, const std::map<Family, std::vector<std::string>>& kw) {
  o << "\" Vim syntax file for the Veld Z80 assembler (qas).\n"
    << "\" Generated by qas-syntax from the keyword table; do not edit.\n"
    << "if exists('b:current_syntax')\n"
    << "  finish\n"
    << "endif\n\n"
    << "\" Keywords are all upper or all lower case; identifiers hold $ and %,\n"
    << "\" and a word after @ is a local label.\n"
    << "syntax case match\n"
    << "syntax iskeyword @,48-57,_,$,%,@-@\n\n";
  for (const FamilyInfo& f : kFamilies) {
    auto it = kw.find(f.family);
    if (it != kw.end()) WriteVimKeywords(o, f.vimGroup, it->second);
  }
  o << "syntax match qasRegister \"\\v<(AF|af)>'?\"\n\n";
  for (const NumberForm& n : kNumbers) o << "syntax match qasNumber \"" << VimNumber(n) << "\"\n";
  // After the numbers: of two matches at one place the later one wins, and
  // "#de" would read as a hexadecimal number.
  o << "syntax match qasDirective \"\\v#[dD][eE][fF][iI][nN][eE]([a-zA-Z0-9_$%#~])@!\"\n\n"
    << "syntax match qasLabel "
       "\"\\v^(\\s*\\@?[A-Za-z_.][A-Za-z0-9_$%.]*\\ze:|\\@?[A-Za-z_.][A-Za-z0-9_$%.]*)\"\n"
    << "syntax match qasEscape contained \"\\v\\\\(x[0-9A-Fa-f]*|[0-7]+|.)\"\n"
    << "syntax region qasString start=+\"+ skip=+\"\"\\|\\\\\\\\\\|\\\\\"+ end=+\"+ end=+$+ "
       "contains=qasEscape oneline\n"
    << "syntax region qasCharacter start=+'+ skip=+''\\|\\\\\\\\\\|\\\\'+ end=+'+ end=+$+ "
       "contains=qasEscape oneline\n"
    << "syntax region qasString start=+@\"+ skip=+\"\"+ end=+\"+ oneline\n"
    << "syntax region qasString start=+@'+ skip=+''+ end=+'+ oneline\n"
    << "syntax match qasComment \"\\v;.*$\"\n"
    << "syntax match qasComment \"\\v//.*$\"\n"
    << "syntax region qasBlockComment start=\"/\\*\" end=\"\\*/\" contains=qasBlockComment\n\n";
  for (const FamilyInfo& f : kFamilies)
    o << "highlight default link " << f.vimGroup << " " << f.vimLink << "\n";
  o << "highlight default link qasNumber Number\n"
    << "highlight default link qasLabel Label\n"
    << "highlight default link qasString String\n"
    << "highlight default link qasCharacter Character\n"
    << "highlight default link qasEscape SpecialChar\n"
    << "highlight default link qasComment Comment\n"
    << "highlight default link qasBlockComment Comment\n\n"
    << "let b:current_syntax = 'qas'\n";
}

void WriteVimDetect(std::ostream& o) {
  o << "\" Veld sources: *.qas and *.z80; *.asm too when g:qas_claim_asm is set\n"
    << "\" (other assemblers share that extension).\n"
    << "\" Generated by qas-syntax; do not edit.\n"
    << "autocmd BufRead,BufNewFile *.qas,*.z80 setfiletype qas\n"
    << "autocmd BufRead,BufNewFile *.asm if get(g:, 'qas_claim_asm', 0) | set filetype=qas | "
       "endif\n";
}

template <typename Writer>
bool WriteFile(const std::filesystem::path& path, Writer write) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream f(path, std::ios::binary);
  if (f) write(f);
  f.close();
  if (!f) {
    std::cerr << "qas-syntax: cannot write " << path.string() << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: qas-syntax EDITORS_DIR\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const auto kw = KeywordsByFamily();
  bool ok = WriteFile(dir / "vim" / "syntax" / "qas.vim",
                      [&](std::ostream& o) { WriteVimSyntax(o, kw); });
  ok = WriteFile(dir / "vim" / "ftdetect" / "qas.vim", WriteVimDetect) && ok;
  ok = WriteFile(dir / "textmate" / "qas.tmLanguage.json",
                 [&](std::ostream& o) { WriteTextMate(o, kw); }) &&
       ok;
  return ok ? 0 : 1;
}
