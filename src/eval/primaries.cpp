// The primary: one operand of an expression. Literals, symbol references in
// their scoped forms, location counters, parenthesised sub-expressions, the
// special keywords, built-in and user functions, and the value stack.

#include <utility>

#include "eval/builtins.h"
#include "eval/eval_internal.h"
#include "eval/user_functions.h"

using namespace eval_detail;

namespace {

// Borrows the evaluator's name buffer for the duration of one reference, so
// that building a (prefixed, dotted) name costs no allocation once the
// buffer has grown. A nested evaluation that needs a buffer meanwhile (a
// user function call, the lexer's keyword builder) simply gets a new one.
class NameBuffer {
 public:
  explicit NameBuffer(Assembly& a) : a_(a), s_(std::move(a.eval.nameScratch)) { s_.clear(); }
  ~NameBuffer() { Release(); }
  NameBuffer(const NameBuffer&) = delete;
  NameBuffer& operator=(const NameBuffer&) = delete;
  std::string& str() { return s_; }
  void Release() {
    if (s_.capacity() > a_.eval.nameScratch.capacity()) a_.eval.nameScratch = std::move(s_);
  }

 private:
  Assembly& a_;
  std::string s_;
};

// An undefined reference: the value stays the integer 0, the pass counts it,
// and from the third pass on it is reported (without skipping the line, so
// the rest of the expression is still read).
void UndefinedReference(Assembly& a, std::string_view name, bool foundUndefRecord) {
  if (!foundUndefRecord) FindOrCreateSymbol(a, name);
  ++a.pass.nUndef;
  if (a.pass.pass >= 3) {
    std::string detail = " : \"";
    detail += name;
    detail += '"';
    if (a.diag.lastErrorLine != a.diag.currentLine) a.eval.softErrorLine = a.diag.currentLine;
    ReportErrorText(a, E_LabelNotFound, detail, false);
  }
}

// Looks up "prefix + name" (when there is a prefix), then "name" alone. A
// record that exists only as an undefined reference does not hide the other
// form.
TRec* FindScoped(Assembly& a, std::string_view full, size_t prefixLen) {
  TRec* rec = nullptr;
  if (prefixLen > 0) {
    rec = FindSymbol(a, full, true);
    if (rec && rec->Mode != T_Undef) return rec;
  }
  TRec* plain = FindSymbol(a, full.substr(prefixLen), true);
  return plain ? plain : rec;
}

// The value of a symbol reference (record may be null), by the symbol's kind.
// Functions are called only where allowed; elsewhere they are a syntax error.
void ValueOfSymbol(Assembly& a, TRec* rec, std::string_view name, bool allowFunction, TExpRes& r,
                   NameBuffer* buffer) {
  if (!rec || rec->Mode == T_Undef) {
    UndefinedReference(a, name, rec != nullptr);
    return;
  }
  switch (rec->Mode) {
    case T_Addr:
      SetInt(r, rec->Val.Int());
      return;
    case T_VarVal:
    case T_FixedVal:
      rec->Val.CopyTo(r);
      return;
    case T_Function:
      if (allowFunction) {
        if (buffer) buffer->Release();
        CallUserFunction(a, rec, r);
        return;
      }
      break;
    default:
      break;
  }
  Fail(a, E_SyntaxError);
}

// "(" string-expression ")" after LABEL or VARIABLE; false after an error.
bool ReadNameArgument(Assembly& a, std::string& name) {
  LexNext(a);  // LABEL or VARIABLE
  if (!ItemIsChar(Peek(a), "(")) {
    Fail(a, E_SyntaxError);
    return false;
  }
  LexNext(a);
  TExpRes arg;
  EvalConditional(a, arg);
  if (arg.Sort != erString) {
    Fail(a, E_SyntaxError);
    return false;
  }
  if (!ItemIsChar(Peek(a), ")")) {
    Fail(a, E_SyntaxError);
    return false;
  }
  LexNext(a);
  name = std::move(arg.Str);
  return true;
}

// An identifier, or a keyword standing where only a name can be (after "@"
// or a ".": @loop, pair.hl). Its text is the word as written.
bool IsNameItem(const TLexPos& p) { return p.Item == I_Ident || p.Item == I_TokenN; }

bool IsNameKeyword(const TLexPos& p) {
  return p.Item == I_TokenN && (p.ITokVal == tLABEL || p.ITokVal == tVARIABLE);
}

// The rest of a reference whose first name has been read into `buf` (after
// the scope prefix, which takes its first `prefixLen` characters): a dotted
// continuation, then the symbol's value.
void ReferenceFrom(Assembly& a, TExpRes& r, NameBuffer& buf, size_t prefixLen) {
  std::string& full = buf.str();
  // Dotted continuation: player.x.y (a field may be spelt like a keyword,
  // as in pair.hl).
  while (ItemIsChar(Peek(a), ".")) {
    LexNext(a);
    if (!IsNameItem(Peek(a))) {
      Fail(a, E_SyntaxError);
      return;
    }
    full += '.';
    full += a.lex.pos.ITxt;
    LexNext(a);
  }

  TRec* rec = FindScoped(a, full, prefixLen);
  ValueOfSymbol(a, rec, std::string_view(full).substr(prefixLen), true, r, &buf);
}

// A symbol reference, the lexer on its first name. After "@" the name
// belongs to the last main label.
void IdentifierReference(Assembly& a, TExpRes& r, bool local) {
  // The item's text is a view of its line (or of a text the lexer keeps),
  // so it stays readable after the lexer moves on.
  const std::string_view first = a.lex.pos.ITxt;
  const std::string& prefix = a.lex.pos.ProcPrefix;
  const size_t prefixLen = prefix.size();
  if (prefixLen == 0 && !local) {
    // The commonest reference, a plain name outside any scope: looked up as
    // written, with no name built.
    LexNext(a);
    if (LookupFrameName(a, first, r)) return;
    if (!ItemIsChar(Peek(a), ".")) {
      ValueOfSymbol(a, FindSymbol(a, first, true), first, true, r, nullptr);
      return;
    }
    NameBuffer buf(a);
    buf.str() = first;
    ReferenceFrom(a, r, buf, 0);
    return;
  }
  NameBuffer buf(a);
  std::string& full = buf.str();
  full += prefix;
  if (local) {
    full += a.lex.pos.sLastMainLabel;
    full += '.';
  }
  full += first;
  LexNext(a);

  if (LookupFrameName(a, std::string_view(full).substr(prefixLen), r)) return;
  ReferenceFrom(a, r, buf, prefixLen);
}

// DEF name / ENABLED name: the name as written, no prefix, no parentheses.
void DefinedTest(Assembly& a, TExpRes& r, bool enabled) {
  LexNext(a);
  const TLexPos& p = Peek(a);
  if (p.Item != I_Ident) {
    Fail(a, E_SyntaxError);
    return;
  }
  const TRec* rec = FindSymbol(a, p.ITxt, true);
  LexNext(a);
  int32_t v = 0;
  if (rec && rec->Mode != T_Undef) {
    if (!enabled) {
      v = 1;
    } else if (rec->Mode == T_Addr) {
      v = rec->Val.Int() != 0;
    } else if (rec->Mode == T_VarVal || rec->Mode == T_FixedVal) {
      const TExpRes x = rec->Val.Get();
      v = (x.Sort == erInteger && x.Int != 0) || (x.Sort == erFloat && x.Float != 0.0L) ||
          (x.Sort == erString && !x.Str.empty());
    }
  }
  SetInt(r, v);
}

// "::" name, "::" LABEL("name"): the global symbol of exactly that name.
void GlobalReference(Assembly& a, TExpRes& r) {
  LexNext(a);  // "::"
  const TLexPos& p = Peek(a);
  if (p.Item == I_Ident) {
    NameBuffer buf(a);
    buf.str() = p.ITxt;
    LexNext(a);
    ValueOfSymbol(a, FindSymbol(a, buf.str(), true), buf.str(), false, r, nullptr);
    return;
  }
  if (IsNameKeyword(p)) {
    std::string name;
    if (!ReadNameArgument(a, name)) return;
    ValueOfSymbol(a, FindSymbol(a, name, true), name, false, r, nullptr);
    return;
  }
  Fail(a, E_SyntaxError);
}

// "^^"... name: the name in an enclosing procedure scope.
void OuterReference(Assembly& a, TExpRes& r) {
  int32_t steps = 0;
  while (ItemIsChar(Peek(a), "^^")) {
    ++steps;
    LexNext(a);
  }
  // Stepping out of more procedures than are open (even one "^^" at the
  // outermost level) names no scope.
  if (steps > ProcDepth(a)) {
    Fail(a, E_NestingError);
    return;
  }
  const int32_t level = ProcDepth(a) + 1 - steps;
  const TLexPos& p = Peek(a);
  if (p.Item == I_Ident) {
    std::string name = ProcPrefixAtLevel(a, level);
    name += p.ITxt;
    LexNext(a);
    ValueOfSymbol(a, FindSymbol(a, name, true), name, false, r, nullptr);
    return;
  }
  if (IsNameKeyword(p)) {
    std::string name;
    if (!ReadNameArgument(a, name)) return;
    ValueOfSymbol(a, FindSymbol(a, name, true), name, false, r, nullptr);
    return;
  }
  Fail(a, E_SyntaxError);
}

void Parenthesised(Assembly& a, TExpRes& r) {
  LexNext(a);
  const int32_t saved = a.eval.ExprParenDepth;
  ++a.eval.ExprParenDepth;
  EvalConditional(a, r);
  a.eval.ExprParenDepth = saved;
  if (!ItemIsChar(Peek(a), ")")) {
    Fail(a, E_SyntaxError);
    return;
  }
  LexNext(a);
}

void PopValue(Assembly& a, TExpRes& r) {
  LexNext(a);
  auto& stack = a.eval.valueStack;
  if (stack.empty()) {
    Fail(a, E_OutOfStack);
    return;
  }
  r = std::move(stack.back());
  stack.pop_back();
}

// A register or condition keyword that names a variable or a user function
// reads as that symbol: FOR i = ... and LOOP 3, a make variables of such
// names, and functions defined inside "[[" "]]" (where registers are not
// keywords) may be called f(2, 3). No other source can define a symbol with
// a keyword's name.
bool KeywordNamedSymbol(Assembly& a, TExpRes& r) {
  const std::string_view name = a.lex.pos.ITxt;
  const std::string& prefix = a.lex.pos.ProcPrefix;
  const TRec* rec =
      prefix.empty() ? nullptr : FindSymbol(a, std::string(prefix).append(name), false);
  if (!rec) rec = FindSymbol(a, name, false);
  if (!rec || (rec->Mode != T_VarVal && rec->Mode != T_Function)) return false;
  IdentifierReference(a, r, false);
  return true;
}

void KeywordPrimary(Assembly& a, TExpRes& r) {
  const TToken t = a.lex.pos.ITokVal;
  switch (t) {
    case tDISP:
      LexNext(a);
      SetInt(r, CurSeg(a).Displacement);
      return;
    case tDEF:
      DefinedTest(a, r, false);
      return;
    case tENABLED:
      DefinedTest(a, r, true);
      return;
    default:
      break;
  }
  if (IsBuiltinFunction(t)) {
    EvalBuiltinFunction(a, t, r);
    return;
  }
  switch (t) {
    case tLABEL:
    case tVARIABLE: {
      std::string name;
      if (!ReadNameArgument(a, name)) return;
      const std::string& prefix = a.lex.pos.ProcPrefix;
      TRec* rec = nullptr;
      if (!prefix.empty()) {
        rec = FindScoped(a, prefix + name, prefix.size());
      } else {
        rec = FindSymbol(a, name, true);
      }
      ValueOfSymbol(a, rec, name, true, r, nullptr);
      return;
    }
    case tMULTIPASS:
      LexNext(a);
      SetInt(r, a.run.runCounter);
      return;
    case tZPOP:
      PopValue(a, r);
      return;
    default:
      break;
  }
  if (KeywordNamedSymbol(a, r)) return;
  if (a.lex.pos.pActiveMacro != 0 || !a.macros.macroStack.empty()) {
    // Inside a macro expansion a keyword stands for its own text, so that an
    // argument such as a register name can be compared as a string.
    r.Sort = erString;
    r.Str = a.lex.pos.ITxt;
    LexNext(a);
    return;
  }
  Fail(a, E_SyntaxError);
}

}  // namespace

namespace eval_detail {

int32_t EvalPrimaryAt(Assembly& a, TExpRes& r) {
  ResetValue(r);
  const TLexPos* p = &Peek(a);
  const int32_t blockLevel = p->FunctionBlockLevel;
  bool local = false;
  if (p->Item == I_Char && p->ITxt == "@") {
    LexNext(a);
    p = &Peek(a);
    local = true;  // applies only to an identifier that follows
  }
  if (p->Item == I_Ident || (local && p->Item == I_TokenN)) {
    IdentifierReference(a, r, local);
    return blockLevel;
  }
  switch (p->Item) {
    case I_Integer:
      r.Int = p->INumVal;
      LexNext(a);
      return blockLevel;
    case I_Float:
      r.Sort = erFloat;
      r.Float = p->FloatVal;
      LexNext(a);
      return blockLevel;
    case I_String:
      r.Sort = erString;
      r.Str = p->ITxt;
      LexNext(a);
      return blockLevel;
    case I_TokenN:
      KeywordPrimary(a, r);
      return blockLevel;
    case I_Char: {
      const std::string_view t = p->ITxt;
      if (t == "(") {
        Parenthesised(a, r);
      } else if (t == "$") {
        LexNext(a);
        r.Int = CurSeg(a).StatementPC;
      } else if (t == "." || t == "*") {
        LexNext(a);
        r.Int = CurSeg(a).ElementPC;
      } else if (t == "::") {
        GlobalReference(a, r);
      } else if (t == "^^") {
        OuterReference(a, r);
      } else {
        Fail(a, E_SyntaxError);
      }
      return blockLevel;
    }
    default:
      Fail(a, E_SyntaxError);
      return blockLevel;
  }
}

}  // namespace eval_detail

void EvalPrimary(Assembly& a, TExpRes& result) { EvalIndexed(a, result); }
