// User functions: a call pushes a frame of named values, runs the body with a
// small statement interpreter of its own and yields the frame's "result".

#include "eval/user_functions.h"

#include <cstdio>

#include "assembler/assembly.h"
#include "support/float_text.h"

namespace {

// Loops in a body are bounded so that a condition that never changes cannot
// hang the assembler.
constexpr long kMaxLoopRounds = 1'000'000;
constexpr int kMaxBlockDepth = 1000;

// Every call and loop round of a body counts against the pass's budget of
// loop rounds: a loop in a function called from a loop, or a function that
// calls itself twice, would otherwise multiply into hours of work. Running
// out ends the pass.
bool WorkAllowed(Assembly& a) {
  if (++a.cond.passRounds <= a.env.limits.passLoopRounds) return true;
  if (!a.pass.abort) FatalError(a, E_OutOfResources);
  return false;
}

UserFunctionFrame& Top(Assembly& a) { return a.ufuncs.frames.back(); }

TFunctEvalParam* FindEntry(UserFunctionFrame& f, std::string_view name) {
  if (!f.entries.empty() && f.entries[0]->Name == name) return f.entries[0].get();
  for (size_t i = f.entries.size(); i-- > 1;)
    if (f.entries[i]->Name == name) return f.entries[i].get();
  return nullptr;
}

TFunctEvalParam& AddOwnedEntry(UserFunctionFrame& f, std::string name) {
  auto e = std::make_unique<TFunctEvalParam>();
  e->Name = std::move(name);
  e->pVal = &e->LocalVal;
  f.entries.push_back(std::move(e));
  return *f.entries.back();
}

TFunctEvalParam& AddReferenceEntry(UserFunctionFrame& f, std::string name, TExpRes* target) {
  auto e = std::make_unique<TFunctEvalParam>();
  e->Name = std::move(name);
  e->pVal = target;
  f.entries.push_back(std::move(e));
  return *f.entries.back();
}

bool IsChar(Assembly& a, std::string_view c) {
  LexPeek(a);
  return ItemIsChar(a.lex.pos, c);
}

bool IsToken(Assembly& a, TToken t) {
  LexPeek(a);
  return ItemIsToken(a.lex.pos, t);
}

void SkipLineEnds(Assembly& a) {
  for (;;) {
    LexPeek(a);
    if (a.lex.pos.Item != I_EOL) return;
    LexNext(a);
  }
}

// The storage a reference argument names: an entry of the caller's visible
// frame, or a variable symbol (procedure prefix first, dotted names allowed).
TExpRes* ReferenceTarget(Assembly& a, int32_t callerFrame) {
  LexPeek(a);
  if (a.lex.pos.Item != I_Ident) return nullptr;
  std::string name(a.lex.pos.ITxt);
  LexNext(a);
  if (callerFrame >= 0)
    if (TFunctEvalParam* e = FindEntry(a.ufuncs.frames[callerFrame], name)) return e->pVal;
  while (IsChar(a, ".")) {
    LexNext(a);
    LexPeek(a);
    if (a.lex.pos.Item != I_Ident) return nullptr;
    name += '.';
    name += a.lex.pos.ITxt;
    LexNext(a);
  }
  TRec* r = nullptr;
  if (!a.lex.pos.ProcPrefix.empty()) r = FindSymbol(a, a.lex.pos.ProcPrefix + name, true);
  if (!r) r = FindSymbol(a, name, true);
  if (!r || r->Mode != T_VarVal) return nullptr;
  return &r->Val.Whole();
}

struct BodyRunner {
  Assembly& a;
  int depth = 0;

  UserFunctionFrame& frame() { return Top(a); }
  bool running() { return frame().state == UserFunctionFrame::Running; }

  // Reports an error once and stops the function.
  void Fail(int n) {
    if (running()) ReportError(a, n);
    frame().state = UserFunctionFrame::Stopped;
  }
  void Stop() { frame().state = UserFunctionFrame::Stopped; }

  // Evaluates an expression; while skipping, calls inside it don't run bodies.
  TExpRes Eval(bool exec) {
    bool saved = a.ufuncs.runBodies;
    if (!exec) a.ufuncs.runBodies = false;
    uint32_t before = a.diag.reports;
    TExpRes v = EvalExpression(a);
    a.ufuncs.runBodies = saved;
    if (a.diag.reports != before && exec) frame().state = UserFunctionFrame::Stopped;
    return v;
  }

  // Marks where the statement stands, so errors name the body's own line.
  void AtStatement() {
    LexPeek(a);
    a.diag.currentLine = a.lex.pos.ILine;
    a.diag.currentSource = a.lex.pos.cSourceListPos;
  }

  void Statement(bool exec) {
    SkipLineEnds(a);
    if (exec && !running()) exec = false;
    AtStatement();
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_Null) {
      if (exec) Fail(E_SyntaxError);
      return;
    }
    if (ItemIsChar(p, "{") || ItemIsToken(p, tBEGIN)) return Block(exec);
    if (p.Item == I_Ident) return Assignment(exec);
    if (p.Item == I_TokenN) {
      switch (p.ITokVal) {
        case tRETURN:
          return Return(exec);
        case tIF:
          return If(exec);
        case tREPEAT:
          return Repeat(exec);
        case tWHILE:
          return While(exec);
        case tPRINT:
        case tVELDPRINT:
          return Print(exec, false);
        case tPRINTHEX:
        case tVELDPRINTHEX:
          return Print(exec, true);
        case tSTATIC:
          return Static(exec);
        case tELSE:
        case tELIF:
        case tUNTIL:
          // Out of place; a skipped statement simply ends here.
          if (exec) Fail(E_SyntaxError);
          return;
        default:
          break;
      }
    }
    if (exec) {
      Fail(E_SyntaxError);
    } else if (!ItemIsChar(p, "}") && !ItemIsToken(p, tEND)) {
      LexNext(a);  // keep moving while skipping
    }
  }

  void Block(bool exec) {
    LexNext(a);
    if (++depth > kMaxBlockDepth) {
      Fail(E_OutOfResources);
      --depth;
      return;
    }
    for (;;) {
      SkipLineEnds(a);
      const TLexPos& p = a.lex.pos;
      if (ItemIsChar(p, "}") || ItemIsToken(p, tEND)) {
        LexNext(a);
        break;
      }
      if (p.Item == I_Null || (exec && !running())) break;
      if (ItemIsToken(p, tELSE) || ItemIsToken(p, tELIF) || ItemIsToken(p, tUNTIL)) {
        AtStatement();  // reported against its own line
        if (exec) Fail(E_SyntaxError);
        LexNext(a);
        continue;
      }
      Statement(exec);
    }
    --depth;
  }

  void Assignment(bool exec) {
    std::string name(a.lex.pos.ITxt);
    LexNext(a);
    if (!IsChar(a, "=") && !IsChar(a, ":=")) {
      if (exec) Fail(E_SyntaxError);
      return;
    }
    LexNext(a);
    TExpRes v = Eval(exec);
    if (!exec || !running()) return;
    TFunctEvalParam* e = FindEntry(frame(), name);
    if (!e) e = &AddOwnedEntry(frame(), name);
    *e->pVal = std::move(v);
  }

  void Return(bool exec) {
    LexNext(a);
    TExpRes v = Eval(exec);
    if (!exec || !running()) return;
    *frame().entries[0]->pVal = std::move(v);
    frame().state = UserFunctionFrame::Returned;
  }

  // A condition must be an integer.
  bool Condition(bool exec) {
    TExpRes v = Eval(exec);
    if (!exec || !running()) return false;
    if (v.Sort != erInteger) {
      Fail(E_IntegerExpected);
      return false;
    }
    return v.Int != 0;
  }

  void If(bool exec) {
    LexNext(a);
    bool c = Condition(exec);
    if (IsToken(a, tTHEN)) LexNext(a);
    bool live = exec && running();
    Statement(live && c);
    SkipLineEnds(a);
    if (IsToken(a, tELSE)) {
      LexNext(a);
      Statement(live && !c && running());
    }
  }

  void Repeat(bool exec) {
    LexNext(a);
    TLexPos start = LexSave(a);
    for (long round = 0;; ++round) {
      if (round >= kMaxLoopRounds) return Fail(E_OutOfResources);
      if (exec && !WorkAllowed(a)) return Stop();
      for (;;) {
        SkipLineEnds(a);
        const TLexPos& p = a.lex.pos;
        if (ItemIsToken(p, tUNTIL) || p.Item == I_Null) break;
        if (exec && !running()) return;
        Statement(exec);
      }
      if (!IsToken(a, tUNTIL)) {
        if (exec) Fail(E_SyntaxError);
        return;
      }
      LexNext(a);
      bool done = Condition(exec);
      if (!exec || !running() || done) return;
      LexRestore(a, start, false);
    }
  }

  void While(bool exec) {
    LexNext(a);
    TLexPos start = LexSave(a);
    for (long round = 0;; ++round) {
      if (round >= kMaxLoopRounds) return Fail(E_OutOfResources);
      if (exec && !WorkAllowed(a)) return Stop();
      bool c = Condition(exec);
      bool live = exec && running();
      Statement(live && c);
      if (!live || !c || !running()) return;
      LexRestore(a, start, false);
    }
  }

  void Print(bool exec, bool hex) {
    LexNext(a);
    std::string text;
    LexPeek(a);
    if (!ItemEndsStatement(a.lex.pos) && !IsChar(a, "}")) {
      do {
        TExpRes v = Eval(exec);
        char buf[16];
        switch (v.Sort) {
          case erInteger:
            if (hex) {
              std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(v.Int));
              text += buf;
            } else {
              text += std::to_string(v.Int);
            }
            text += ' ';
            break;
          case erString:
            text += v.Str;
            break;
          case erFloat:
            text += FloatText(v.Float);
            text += ' ';
            break;
          case erError:
            text = "[error]";
            break;
        }
        if (!IsChar(a, ",")) break;
        LexNext(a);
      } while (true);
    }
    if (exec && running() && a.pass.message) PrintOut(a, text);
  }

  void Static(bool exec) {
    LexNext(a);
    for (;;) {
      LexPeek(a);
      if (a.lex.pos.Item != I_Ident) {
        if (exec) Fail(E_SyntaxError);
        return;
      }
      std::string name(a.lex.pos.ITxt);
      LexNext(a);
      if (exec && running() && !FindEntry(frame(), name)) {
        TRec* r = FindSymbol(a, name, true);
        if (!r) {
          r = FindOrCreateSymbol(a, name);
          r->Mode = T_VarVal;
          r->Val.SetError();
          r->LastPass = a.pass.pass;
        }
        AddReferenceEntry(frame(), name, &r->Val.Whole());
      }
      if (!IsChar(a, ",")) return;
      LexNext(a);
    }
  }
};

// Reads the arguments into the new frame; false after an error.
bool BindArguments(Assembly& a, const TRec& fn, int32_t callerFrame) {
  LexNext(a);  // "("
  const std::vector<TMacroParam>& params = fn.Body->pMacroParams;
  for (size_t i = 0; i < params.size(); ++i) {
    if (i > 0) {
      if (!IsChar(a, ",")) return false;
      LexNext(a);
    }
    if (params[i].isVar) {
      // Names are resolved in the caller's view of frames.
      int32_t saved = a.ufuncs.visible;
      a.ufuncs.visible = callerFrame;
      TExpRes* target = ReferenceTarget(a, callerFrame);
      a.ufuncs.visible = saved;
      if (!target) return false;
      AddReferenceEntry(Top(a), params[i].Name, target);
    } else {
      int32_t saved = a.ufuncs.visible;
      a.ufuncs.visible = callerFrame;
      TExpRes v = EvalExpression(a);
      a.ufuncs.visible = saved;
      AddOwnedEntry(Top(a), params[i].Name).LocalVal = std::move(v);
    }
  }
  if (!IsChar(a, ")")) return false;
  LexNext(a);
  return true;
}

void RunBody(Assembly& a, const TRec& fn) {
  TLexPos back = LexSave(a);
  int32_t line = a.diag.currentLine, source = a.diag.currentSource;
  int32_t parens = a.eval.ExprParenDepth;
  a.eval.ExprParenDepth = 0;
  LexRestore(a, fn.Body->StartLex, false);
  Top(a).entries[0]->LocalVal = TExpRes{};
  Top(a).entries[0]->LocalVal.Sort = erError;
  BodyRunner runner{a};
  runner.Statement(true);
  a.eval.ExprParenDepth = parens;
  LexRestore(a, back, false);
  a.diag.currentLine = line;
  a.diag.currentSource = source;
}

}  // namespace

void ResetUserFunctions(Assembly& a) {
  a.ufuncs.frames.clear();
  a.ufuncs.visible = -1;
  a.ufuncs.runBodies = true;
}

bool LookupFrameName(Assembly& a, std::string_view name, TExpRes& out) {
  int32_t v = a.ufuncs.visible;
  if (v < 0 || static_cast<size_t>(v) >= a.ufuncs.frames.size()) return false;
  TFunctEvalParam* e = FindEntry(a.ufuncs.frames[v], name);
  if (!e) return false;
  out = *e->pVal;
  return true;
}

void CallUserFunction(Assembly& a, TRec* fn, TExpRes& result) {
  UserFunctionState& u = a.ufuncs;
  result = TExpRes{};
  // The frame limit guards running bodies; a call in skipped code only
  // reads its arguments, so it may stand one level deeper.
  size_t limit = u.runBodies ? kMaxFrames : kMaxFrames + 1;
  if (u.frames.size() >= limit || !IsChar(a, "(")) {
    ReportError(a, E_OutOfResources);
    return;
  }
  int32_t caller = u.visible;
  u.frames.emplace_back();
  AddOwnedEntry(Top(a), "result");
  if (!BindArguments(a, *fn, caller)) {
    u.frames.pop_back();
    ReportError(a, E_SyntaxError);
    return;
  }
  u.visible = static_cast<int32_t>(u.frames.size()) - 1;
  if (u.runBodies) {
    if (WorkAllowed(a))
      RunBody(a, *fn);
    else
      Top(a).state = UserFunctionFrame::Stopped;
  }
  result = *Top(a).entries[0]->pVal;
  bool failed = Top(a).state == UserFunctionFrame::Stopped;
  u.frames.pop_back();
  u.visible = caller;
  // The error was reported against the body's line and skipped the rest of
  // that line there. The calling statement gives up the rest of its own line
  // too, as after any error in an expression, so that it is not read on into
  // a second, misleading report.
  if (failed) LexSkipToEOL(a);
}

bool AtKeywordNamedCall(Assembly& a) {
  if (!a.ufuncs.keywordNamedFunctions) return false;
  LexPeek(a);
  if (a.lex.pos.Item != I_TokenN) return false;
  const TRec* r = FindSymbol(a, a.lex.pos.ITxt, false);
  if (!r || r->Mode != T_Function) return false;
  return ItemIsChar(LexPeekFollowing(a), "(");
}
