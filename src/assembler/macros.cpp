// Macros (definition, invocation, MEND), procedures and their scopes,
// FUNCTION definitions, aliases, and the scope statements LABEL, VARIABLE,
// LOCAL and SETPREFIX.

#include "assembler/macros.h"

#include <algorithm>
#include <cstdio>

#include "assembler/assembly.h"
#include "eval/user_functions.h"

namespace {

bool NextIs(Assembly& a, std::string_view c) {
  LexPeek(a);
  return ItemIsChar(a.lex.pos, c);
}

// Defines the current prefix + suffix as the current address.
void DefineScopedHere(Assembly& a, std::string_view suffix) {
  std::string& name = a.macros.scopedName;
  name.assign(a.lex.pos.ProcPrefix.str());
  name += suffix;
  DefineAddress(a, FindOrCreateSymbol(a, name), CurSeg(a).PC);
}

// Reads formal parameters "p1, p2, ...)" after the "(" (VAR marks reference
// parameters of functions). False after an error.
bool ReadFormalParameters(Assembly& a, std::vector<TMacroParam>& params, bool allowVar) {
  LexPeek(a);
  if (ItemIsChar(a.lex.pos, ")")) {
    LexNext(a);
    return true;
  }
  for (;;) {
    LexPeek(a);
    bool isVar = false;
    if (allowVar && ItemIsToken(a.lex.pos, tVAR)) {
      isVar = true;
      LexNext(a);
      LexPeek(a);
    }
    if (a.lex.pos.Item != I_Ident) {
      ReportError(a, E_NotImplemented);
      return false;
    }
    std::string name(a.lex.pos.ITxt);
    for (const TMacroParam& p : params)
      if (p.Name == name) {
        ReportError(a, E_ParameterDuplicated);
        return false;
      }
    params.push_back(TMacroParam{name, isVar});
    LexNext(a);
    // Anything after a name up to the next "," or ")" is ignored.
    for (;;) {
      LexPeek(a);
      const TLexPos& p = a.lex.pos;
      if (p.Item == I_EOL || p.Item == I_Null) {
        ReportError(a, E_SyntaxError);
        return false;
      }
      LexNext(a);
      if (ItemIsChar(p, ")")) return true;
      if (ItemIsChar(p, ",")) break;
    }
  }
}

// Skips a body, counting opening and closing keywords; at the end of the
// source the lexer goes back to the body's start and the pass stops.
template <typename Opens, typename Closes>
bool SkipBody(Assembly& a, const TLexPos& start, Opens opens, Closes closes) {
  int depth = 1;
  a.lex.SkippingFlag = true;
  while (depth > 0) {
    LexNext(a);
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_Null) break;
    if (opens(p)) ++depth;
    if (closes(p)) --depth;
  }
  a.lex.SkippingFlag = false;
  if (depth == 0) return true;
  LexRestore(a, start, false);
  FatalError(a, E_MissingClose);
  return false;
}

// Skips a macro body up to the MEND that closes it. A REPT body inside it
// may end with MEND or with LEND, so REPT and LOOP bodies are followed: LEND
// closes the innermost of them, MEND the innermost REPT or macro.
bool SkipMacroBody(Assembly& a, const TLexPos& start) {
  std::vector<TToken> open{tMACRO};
  a.lex.SkippingFlag = true;
  while (!open.empty()) {
    LexNext(a);
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_Null) break;
    if (p.Item != I_TokenN) continue;
    switch (p.ITokVal) {
      case tMACRO:
      case tREPT:
      case tLOOP:
        open.push_back(p.ITokVal);
        break;
      case tLEND:
        if (open.back() != tMACRO) open.pop_back();
        break;
      case tMEND:
        while (open.back() == tLOOP) open.pop_back();
        open.pop_back();
        break;
      default:
        break;
    }
  }
  a.lex.SkippingFlag = false;
  if (open.empty()) return true;
  LexRestore(a, start, false);
  FatalError(a, E_MissingClose);
  return false;
}

void HandleMacro(Assembly& a, TToken) {
  LexNext(a);
  TRec* label = a.stmt.PendingLabel;
  a.stmt.PendingLabel = nullptr;
  if (!a.lex.pos.ProcPrefix.empty()) {
    ReportError(a, E_NestingError);
    return;
  }
  if (!label || !NextIs(a, "(")) {
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  DefineAddress(a, label, CurSeg(a).PC);
  label->Mode = T_Macro;
  label->Body->pMacroParams.clear();
  // After a faulty parameter list the body is still skipped, so that it is
  // not assembled as ordinary code.
  ReadFormalParameters(a, label->Body->pMacroParams, false);
  label->Body->StartLex = LexSave(a);
  SkipMacroBody(a, label->Body->StartLex);
}

// Skips "( ... )" with balanced parentheses and braces; false when the line
// ends first.
bool SkipArgumentList(Assembly& a) {
  int depth = 0;
  do {
    LexNext(a);
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_EOL || p.Item == I_Null) return false;
    if (ItemIsChar(p, "(") || ItemIsChar(p, "{")) ++depth;
    if (ItemIsChar(p, ")") || ItemIsChar(p, "}")) --depth;
  } while (depth > 0);
  return true;
}

enum class ArgEnd { Comma, Close, Other };

// Reads one actual argument up to its "," or ")" at nesting level 0; its
// start is the position saved in `arg`.
ArgEnd ReadArgument(Assembly& a, TMacroArg& arg) {
  int parens = 0, braces = 0;
  for (;;) {
    LexNext(a);
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_EOL || p.Item == I_Null) return ArgEnd::Other;
    if (p.Item != I_Char || p.ITxt.size() != 1) continue;
    switch (p.ITxt[0]) {
      case '(':
        ++parens;
        break;
      case '{':
        ++braces;
        break;
      case '}':
        if (braces > 0) --braces;
        break;
      case ')':
        if (parens == 0) {
          arg.LexTermLine = a.lex.argEndLine;
          arg.LexTermPos = a.lex.argEndPos;
          arg.LexTermSrc = a.lex.argEndSrc;
          return ArgEnd::Close;
        }
        --parens;
        break;
      case ',':
        if (parens == 0 && braces == 0) {
          arg.LexTermLine = a.lex.argEndLine;
          arg.LexTermPos = a.lex.argEndPos;
          arg.LexTermSrc = a.lex.argEndSrc;
          return ArgEnd::Comma;
        }
        break;
      default:
        break;
    }
  }
}

// Reads the actual arguments of an invocation; the "(" is current.
bool ReadArguments(Assembly& a, const TRec& macro, std::vector<TMacroArg>& args) {
  LexNext(a);
  const std::vector<TMacroParam>& formals = macro.Body->pMacroParams;
  if (formals.empty()) {
    if (NextIs(a, ")")) {
      LexNext(a);
      return true;
    }
    ReportError(a, E_TooManyParameters);
    return false;
  }
  args.reserve(formals.size());
  for (size_t i = 0; i < formals.size(); ++i) {
    // Made from its name and start and moved in (made empty and then
    // assigned, it would first clear a whole position).
    TMacroArg& arg = args.emplace_back(TMacroArg{formals[i].Name, LexSave(a)});
    ArgEnd end = ReadArgument(a, arg);
    bool last = i + 1 == formals.size();
    if (end == ArgEnd::Comma && last) {
      ReportError(a, E_TooManyParameters);
      return false;
    }
    if (end == ArgEnd::Close && !last) {
      ReportError(a, E_NotEnoughParameters);
      return false;
    }
    if (end == ArgEnd::Other) {
      ReportError(a, E_SyntaxError);
      return false;
    }
  }
  return true;
}

// Appends "[" + the expansion number in six upper-case hex digits (more when
// it needs them) + "].": the scope of one expansion's labels.
void AppendScope(std::string& out, uint32_t n) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  int digits = 6;
  while (digits < 8 && (n >> (4 * digits)) != 0) ++digits;
  char text[12];
  int k = 0;
  text[k++] = '[';
  for (int i = digits - 1; i >= 0; --i) text[k++] = kHex[(n >> (4 * i)) & 15];
  text[k++] = ']';
  text[k++] = '.';
  out.append(text, static_cast<size_t>(k));
}

void ExpandMacro(Assembly& a, TRec* macro, std::string_view name) {
  MacroState& m = a.macros;
  if (m.macroStack.size() >= static_cast<size_t>(a.env.limits.macroDepth)) {
    FatalError(a, E_OutOfResources);
    return;
  }
  std::vector<TMacroArg> args;
  if (!m.spareArgLists.empty()) {
    args = std::move(m.spareArgLists.back());
    m.spareArgLists.pop_back();
  }
  const int32_t line = a.diag.currentLine, source = a.diag.currentSource;
  if (!ReadArguments(a, *macro, args)) return;
  // The entry is made from the return position and the arguments and moved in.
  m.macroStack.push_back(TMacroStackEntry{LexSave(a), std::move(args), line, source});
  LexNoteRepetition(a);
  // The body is read with the invoker's prefix (a return position leaves the
  // prefix as it is) followed by the expansion's own scope.
  LexRestoreForReturn(a, macro->Body->StartLex);
  a.lex.pos.pActiveMacro = static_cast<int32_t>(m.macroStack.size());
  std::string& prefix = m.expansionScope;
  prefix.assign(a.lex.pos.ProcPrefix.str());
  prefix.append(name);
  AppendScope(prefix, static_cast<uint32_t>(m.scopeCounter++));
  m.sparePrefix = prefix;
  a.lex.pos.ProcPrefix = std::move(m.sparePrefix);
}

void HandleMend(Assembly& a, TToken) {
  if (MendEndsRept(a)) return;  // the end of a REPT body
  LexNext(a);
  DefineScopedHere(a, "mexit");
  MacroState& m = a.macros;
  if (m.macroStack.empty()) {
    ReportError(a, E_SyntaxError);
    return;
  }
  m.sparePrefix = std::move(a.lex.pos.ProcPrefix);
  LexRestore(a, m.macroStack.back().ReturnPos, false);
  std::vector<TMacroArg>& args = m.macroStack.back().LocalParameterList;
  args.clear();
  m.spareArgLists.push_back(std::move(args));
  m.macroStack.pop_back();
  LexNoteRepetition(a);
}

// Opens a procedure level: with a label its name is the new prefix,
// without one the prefix is numbered.
void OpenProcedure(Assembly& a, TRec* label) {
  MacroState& m = a.macros;
  if (m.procDepth >= kMaxProcDepth) {
    ReportError(a, E_OutOfResources);
    return;
  }
  const std::string prefix = a.lex.pos.ProcPrefix.str();
  bool outermost = m.procDepth == 0;
  TAnonProcEntry& e = m.procStack[++m.procDepth];
  m.procHigh = std::max(m.procHigh, m.procDepth);
  e.PreviousPrefix = prefix;
  std::string next;
  if (outermost) {
    for (int32_t d = 0; d <= m.procHigh; ++d) m.procStack[d].IndexNumber = 0;
    next = label ? std::string(label->Name()) + "."
                 : prefix + "VeldAP_" + std::to_string(m.scopeCounter) + ".";
    ++m.scopeCounter;
  } else {
    if (label)
      next = std::string(label->Name()) + ".";
    else
      next = prefix.substr(0, prefix.empty() ? 0 : prefix.size() - 1) + "_" +
             std::to_string(e.IndexNumber) + ".";
    ++e.IndexNumber;
    for (int32_t d = m.procDepth + 1; d <= m.procHigh; ++d) m.procStack[d].IndexNumber = 0;
  }
  a.lex.pos.ProcPrefix = next;
  if (label) DefineAddress(a, label, CurSeg(a).PC);
}

void HandleProc(Assembly& a, TToken) {
  LexNext(a);
  TRec* label = a.stmt.PendingLabel;
  a.stmt.PendingLabel = nullptr;
  OpenProcedure(a, label);
}

void CloseProcedure(Assembly& a) {
  DefineScopedHere(a, "pexit");
  MacroState& m = a.macros;
  if (m.procDepth > 0)
    a.lex.pos.ProcPrefix = m.procStack[m.procDepth--].PreviousPrefix;
  else
    a.lex.pos.ProcPrefix.clear();
}

void HandlePend(Assembly& a, TToken) {
  LexNext(a);
  TRec* label = a.stmt.PendingLabel;
  a.stmt.PendingLabel = nullptr;
  if (label || CurSeg(a).Flows) {
    if (label) DefineAddress(a, label, CurSeg(a).PC);
    if (a.macros.procDepth == 0)
      Warning(a, a.diag.currentLine, "- pend doesn't include a RET instruction");
  }
  CloseProcedure(a);
}

void HandleRetp(Assembly& a, TToken) {
  LexNext(a);
  CloseProcedure(a);
  PlantCodeNoFlow(a, 0xC9);
}

void HandleFunction(Assembly& a, TToken) {
  LexNext(a);
  LexPeek(a);
  if (a.lex.pos.Item != I_Ident) {
    ReportError(a, E_SyntaxError);
    return;
  }
  TRec* fn = FindOrCreateSymbol(a, a.lex.pos.ITxt);
  if (TokenOf(a.keywords, a.lex.pos.ITxt, 1) != tNil) a.ufuncs.keywordNamedFunctions = true;
  LexNext(a);
  DefineAddress(a, fn, 0);
  fn->Mode = T_Function;
  fn->Body->pMacroParams.clear();
  if (!NextIs(a, "(")) {
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  if (!ReadFormalParameters(a, fn->Body->pMacroParams, true)) return;
  fn->Body->StartLex = LexSave(a);
  do LexNext(a);
  while (a.lex.pos.Item == I_EOL);
  const TLexPos& p = a.lex.pos;
  if (!ItemIsToken(p, tBEGIN) && !ItemIsChar(p, "{")) {
    ReportError(a, E_SyntaxError);
    return;
  }
  SkipBody(
      a, fn->Body->StartLex,
      [](const TLexPos& q) { return ItemIsToken(q, tBEGIN) || ItemIsChar(q, "{"); },
      [](const TLexPos& q) { return ItemIsToken(q, tEND) || ItemIsChar(q, "}"); });
}

// Makes the symbol an alias whose body is the rest of the line.
void DefineAliasBody(Assembly& a, TRec* r) {
  DefineAddress(a, r, CurSeg(a).PC);
  r->Mode = T_Alias;
  ++a.symbols.aliasCount;
  r->Val.SetError();
  r->Body->StartLex = LexSave(a);
  LexSkipToEOL(a);
  a.lex.aliasExpansionOff = false;
}

void HandleAlias(Assembly& a, TToken) {
  a.lex.aliasExpansionOff = true;
  LexNext(a);
  TRec* label = a.stmt.PendingLabel;
  a.stmt.PendingLabel = nullptr;
  if (!label) {
    a.lex.aliasExpansionOff = false;
    ReportError(a, E_SyntaxError);
    return;
  }
  if (!a.lex.pos.ProcPrefix.empty()) {
    a.lex.aliasExpansionOff = false;
    ReportError(a, E_NestingError);
    return;
  }
  DefineAliasBody(a, label);
}

void HandleHashDefine(Assembly& a, TToken) {
  a.lex.aliasExpansionOff = true;
  LexNext(a);
  LexPeek(a);
  TRec* r = nullptr;
  if (!a.stmt.PendingLabel && a.lex.pos.Item == I_Ident) {
    r = FindSymbol(a, a.lex.pos.ITxt, false);
    if (r && r->Mode != T_Alias && r->Mode != T_Undef)
      r = nullptr;
    else if (!r)
      r = FindOrCreateSymbol(a, a.lex.pos.ITxt);
  }
  a.stmt.PendingLabel = nullptr;
  if (!r) {
    a.lex.aliasExpansionOff = false;
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  DefineAliasBody(a, r);
}

// LABEL ( name [, value] ) and VARIABLE ( name [, value] ).
void DefineScoped(Assembly& a, bool variable) {
  LexNext(a);
  if (!NextIs(a, "(")) {
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  std::string name = EvalString(a);
  bool hasValue = NextIs(a, ",");
  TExpRes value;
  if (hasValue) {
    LexNext(a);
    value = EvalExpression(a);
  }
  if (!NextIs(a, ")")) {
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  std::string full = name.compare(0, 2, "::") == 0 ? name.substr(2) : a.lex.pos.ProcPrefix + name;
  TRec* r = FindOrCreateSymbol(a, full);
  int32_t here = CurSeg(a).ElementPC;
  if (!variable) {
    if (hasValue && value.Sort != erInteger) {
      ReportError(a, E_SyntaxError);
      return;
    }
    DefineAddress(a, r, hasValue ? value.Int : here);
  } else if (hasValue) {
    DefineValue(a, r, value, false);
  } else {
    DefineIntegerVariable(a, r, here);
  }
}

void HandleLabel(Assembly& a, TToken) { DefineScoped(a, false); }
void HandleVariable(Assembly& a, TToken) { DefineScoped(a, true); }

void HandleLocal(Assembly& a, TToken) {
  LexNext(a);
  a.pass.otherAssembler = true;
  for (;;) {
    LexPeek(a);
    if (a.lex.pos.Item != I_Ident) break;
    LexNext(a);
    if (!NextIs(a, ",")) break;
    LexNext(a);
  }
}

void HandleSetPrefix(Assembly& a, TToken) {
  LexNext(a);
  std::string s = EvalString(a);
  a.lex.pos.ProcPrefix = s.empty() ? std::string() : s + ".";
}

}  // namespace

void RegisterMacroDirectives(DispatchTable& t) {
  t.Set(tMACRO, HandleMacro, true);
  t.Set(tMEND, HandleMend);
  t.Set(tPROC, HandleProc, true);
  t.Set(tPEND, HandlePend, true);
  t.Set(tRETP, HandleRetp);
  t.Set(tFUNCTION, HandleFunction);
  t.Set(tALIAS, HandleAlias, true);
  t.Set(tHASHDEFINE, HandleHashDefine, true);
  t.Set(tLABEL, HandleLabel);
  t.Set(tVARIABLE, HandleVariable);
  t.Set(tLOCAL, HandleLocal);
  t.Set(tSETPREFIX, HandleSetPrefix);
}

void ResetMacros(Assembly& a) {
  MacroState& m = a.macros;
  m.macroStack.clear();
  m.procDepth = 0;
  for (int32_t d = 0; d <= m.procHigh; ++d) m.procStack[d] = TAnonProcEntry{};
  m.procHigh = 0;
  m.scopeCounter = 0;
}

void CheckOpenExpansions(Assembly& a) {
  for (const TMacroStackEntry& e : a.macros.macroStack) {
    a.diag.currentLine = e.InvocationLine;
    a.diag.currentSource = e.InvocationSrc;
    ReportErrorText(a, E_MissingClose, "", false);
  }
  a.macros.macroStack.clear();
}

int32_t ProcDepth(const Assembly& a) { return a.macros.procDepth; }

std::string ProcPrefixAtLevel(const Assembly& a, int32_t level) {
  if (level > a.macros.procDepth) return a.lex.pos.ProcPrefix;
  if (level <= 0) return {};
  return a.macros.procStack[level].PreviousPrefix;
}

const TMacroArg* FindMacroArgument(const Assembly& a, std::string_view name) {
  int32_t active = a.lex.pos.pActiveMacro;
  if (active <= 0 || static_cast<size_t>(active) > a.macros.macroStack.size()) return nullptr;
  for (const TMacroArg& arg : a.macros.macroStack[active - 1].LocalParameterList)
    if (arg.Name == name) return &arg;
  return nullptr;
}

bool InvocationLine(const Assembly& a, int32_t& line, int32_t& source) {
  int32_t active = a.lex.pos.pActiveMacro;
  if (active > 0 && static_cast<size_t>(active) <= a.macros.macroStack.size()) {
    const TMacroStackEntry& e = a.macros.macroStack[active - 1];
    line = e.InvocationLine;
    source = e.InvocationSrc;
    return true;
  }
  if (!a.lex.aliasStack.empty()) {
    line = a.lex.aliasStack.back().line;
    source = a.lex.aliasStack.back().source;
    return true;
  }
  return false;
}

void InvokeByName(Assembly& a, std::string_view name) {
  TRec* r = FindSymbol(a, name, true);
  if (!r || r->Mode == T_Undef) {
    if (!SkipArgumentList(a))
      ReportError(a, E_SyntaxError);
    else if (a.pass.clean)
      ReportError(a, E_MissingMacro);
    return;
  }
  if (r->Mode == T_Function) {
    TExpRes dropped;
    CallUserFunction(a, r, dropped);
    return;
  }
  if (r->Mode != T_Macro) {
    ReportError(a, E_SyntaxError);
    return;
  }
  ExpandMacro(a, r, name);
}
