// IF / ELSEIF / ELIF / ELSE / ENDIF and SWITCH / CASE / DEFAULT / ENDCASE /
// ENDSWITCH.

#include <cstdint>
#include <vector>

#include "assembler/cond_scan.h"

namespace {

// ---------------------------------------------------------------- IF

// Why the text after the current point of an IF is being skipped.
enum class IfScan {
  FindBranch,   // the IF (or an ELSEIF) was false: look for the branch to take
  AfterElse,    // the branch before an ELSE ran: skip to ENDIF
  AfterElseIf,  // the branch before an ELSEIF ran: skip to ENDIF
};

// Scans the rest of the innermost open IF. IFs nested in the skipped text keep
// their else-seen flags locally; the innermost open level's flag is on the
// stack. ENDIF of that level pops it.
void ScanIf(Assembly& a, const TLexPos& opening, IfScan mode) {
  std::vector<TIfLevel>& ifs = a.cond.ifs;
  SkipScan scan(a, opening);
  std::vector<uint8_t> inner;
  while (scan.NextKeyword()) {
    TToken t = a.lex.pos.ITokVal;
    bool here = inner.empty();
    switch (t) {
      case tIF:
        inner.push_back(0);
        scan.Consume();
        break;
      case tENDIF:
        scan.Consume();
        if (here) {
          ifs.pop_back();
          return;
        }
        inner.pop_back();
        break;
      case tELSE: {
        bool seen = here ? ifs.back().elseSeen : inner.back() != 0;
        if (here)
          ifs.back().elseSeen = true;
        else
          inner.back() = 1;
        if (seen)
          scan.ConsumeWithError(E_SyntaxError);
        else
          scan.Consume();
        // A false IF takes its ELSE branch; after a taken ELSE a second ELSE
        // is reported and assembly resumes after it.
        if (here && mode != IfScan::AfterElseIf) return;
        break;
      }
      case tELSEIF:
      case tELIF: {
        if (here && mode == IfScan::AfterElse) {
          scan.ConsumeWithError(E_SyntaxError);
          return;
        }
        bool seen = here ? ifs.back().elseSeen : inner.back() != 0;
        if (seen) {
          scan.ConsumeWithError(E_SyntaxError);
        } else if (here && mode == IfScan::FindBranch) {
          scan.ConsumeAndEvaluate();
          if (EvalInteger(a) != 0) return;
        } else {
          scan.Consume();
        }
        break;
      }
      default:
        scan.Consume();
        break;
    }
  }
}

void HandleIf(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  TConstructOrigin at = OriginHere(a);
  LexNext(a);
  bool c = EvalInteger(a) != 0;
  std::vector<TIfLevel>& ifs = a.cond.ifs;
  if (ifs.size() >= kMaxOpenConstructs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  ifs.push_back(TIfLevel{false, at.line, at.source});
  if (!c) ScanIf(a, opening, IfScan::FindBranch);
}

// ELSE met while assembling: the branch before it ran, skip to ENDIF.
void HandleElse(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  LexNext(a);
  std::vector<TIfLevel>& ifs = a.cond.ifs;
  if (ifs.empty()) {
    ReportError(a, E_MissingIf);
    return;
  }
  if (ifs.back().elseSeen) ReportError(a, E_SyntaxError);
  ifs.back().elseSeen = true;
  ScanIf(a, opening, IfScan::AfterElse);
}

// ELSEIF / ELIF met while assembling: the branch before it ran, so its
// condition is not evaluated and the rest up to ENDIF is skipped.
void HandleElseIf(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  LexNext(a);
  std::vector<TIfLevel>& ifs = a.cond.ifs;
  if (ifs.empty()) {
    ReportError(a, E_MissingIf);
    return;
  }
  if (ifs.back().elseSeen) ReportError(a, E_SyntaxError);
  ScanIf(a, opening, IfScan::AfterElseIf);
}

void HandleEndIf(Assembly& a, TToken) {
  LexNext(a);
  if (a.cond.ifs.empty()) {
    ReportError(a, E_MissingIf);
    return;
  }
  a.cond.ifs.pop_back();
}

// ---------------------------------------------------------------- SWITCH

bool SameValue(const TExpRes& x, const TExpRes& v) {
  switch (v.Sort) {
    case erInteger:
      return x.Int == v.Int;
    case erFloat:
      return x.Float == v.Float;
    case erString:
      return x.Str == v.Str;
    default:
      return false;
  }
}

bool InRange(const TExpRes& lo, const TExpRes& hi, const TExpRes& v) {
  if (v.Sort == erInteger) return lo.Int <= v.Int && v.Int <= hi.Int;
  return lo.Float <= v.Float && v.Float <= hi.Float;
}

// Reads a CASE list (items "value" or "low .. high", separated by ",") and
// checks every item's kind against the SWITCH's. With a value, tells whether
// an item matches it; errors (reported) never match.
bool ReadCaseList(Assembly& a, TExpSort kind, const TExpRes* v) {
  if (kind == erError) {
    ReportError(a, E_SyntaxError);
    return false;
  }
  bool matched = false;
  for (;;) {
    TExpRes lo = EvalExpression(a);
    TExpRes hi;
    LexPeek(a);
    bool range = ItemIsChar(a.lex.pos, "..");
    if (range) {
      LexNext(a);
      hi = EvalExpression(a);
    }
    if (lo.Sort != kind || (range && (hi.Sort != kind || kind == erString))) {
      ReportError(a, E_SwitchTypeMismatch);
      return false;
    }
    if (v && !matched) matched = range ? InRange(lo, hi, *v) : SameValue(lo, *v);
    LexPeek(a);
    if (!ItemIsChar(a.lex.pos, ",")) return matched;
    LexNext(a);
  }
}

// From a SWITCH: to the first matching CASE, a DEFAULT or the ENDSWITCH.
// From an ENDCASE (v null): to the ENDSWITCH only; the source ending first is
// an ordinary error there.
void ScanSwitch(Assembly& a, const TLexPos& opening, const TExpRes* v) {
  SkipScan scan(a, opening, v ? SkipScan::OnEnd::Fatal : SkipScan::OnEnd::SyntaxErr);
  std::vector<TSwitchLevel>& switches = a.cond.switches;
  int32_t depth = 0;
  while (scan.NextKeyword()) {
    TToken t = a.lex.pos.ITokVal;
    if (t == tSWITCH) {
      ++depth;
    } else if (t == tENDSWITCH) {
      scan.Consume();
      if (depth == 0) {
        switches.pop_back();
        return;
      }
      --depth;
      continue;
    } else if (depth == 0 && v && t == tDEFAULT) {
      scan.Consume();
      return;
    } else if (depth == 0 && v && t == tCASE) {
      scan.ConsumeAndEvaluate();
      if (ReadCaseList(a, switches.back().sort, v)) return;
      continue;
    }
    scan.Consume();
  }
  // The source ended: after an ENDCASE the SWITCH is closed by the end.
  if (!v && !a.pass.abort) switches.pop_back();
}

void HandleSwitch(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  TConstructOrigin at = OriginHere(a);
  LexNext(a);
  TExpRes v = EvalExpression(a);
  std::vector<TSwitchLevel>& switches = a.cond.switches;
  if (switches.size() >= kMaxOpenConstructs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  switches.push_back(TSwitchLevel{v.Sort, at.line, at.source});
  ScanSwitch(a, opening, &v);
}

// CASE met while assembling: the case before it falls through; the list is
// only checked.
void HandleCase(Assembly& a, TToken) {
  LexNext(a);
  if (a.cond.switches.empty()) {
    ReportError(a, E_SyntaxError);
    return;
  }
  ReadCaseList(a, a.cond.switches.back().sort, nullptr);
}

void HandleDefault(Assembly& a, TToken) {
  LexNext(a);
  if (a.cond.switches.empty()) ReportError(a, E_SyntaxError);
}

void HandleEndCase(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  LexNext(a);
  if (a.cond.switches.empty()) {
    ReportError(a, E_SyntaxError);
    return;
  }
  ScanSwitch(a, opening, nullptr);
}

void HandleEndSwitch(Assembly& a, TToken) {
  LexNext(a);
  if (a.cond.switches.empty()) {
    ReportError(a, E_SyntaxError);
    return;
  }
  a.cond.switches.pop_back();
}

}  // namespace

void RegisterIfSwitch(DispatchTable& t) {
  t.Set(tIF, HandleIf);
  t.Set(tELSE, HandleElse);
  t.Set(tELSEIF, HandleElseIf);
  t.Set(tELIF, HandleElseIf);
  t.Set(tENDIF, HandleEndIf);
  t.Set(tSWITCH, HandleSwitch);
  t.Set(tCASE, HandleCase);
  t.Set(tDEFAULT, HandleDefault);
  t.Set(tENDCASE, HandleEndCase);
  t.Set(tENDSWITCH, HandleEndSwitch);
}
