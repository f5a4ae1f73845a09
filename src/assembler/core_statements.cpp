// Statements the loop owns itself: EQU and DEFL, the flow and end markers,
// the value stack, the message directives and INCLUDE.

#include <algorithm>
#include <cstdio>

#include "assembler/assembly.h"
#include "support/float_text.h"
#include "support/roman.h"

namespace {

bool AtStatementEnd(Assembly& a) {
  LexPeek(a);
  return ItemEndsStatement(a.lex.pos);
}

// Consumes a "," when one follows; false at the end of the list.
bool NextListComma(Assembly& a) {
  LexPeek(a);
  if (!ItemIsChar(a.lex.pos, ",")) return false;
  LexNext(a);
  return true;
}

void HandleEqu(Assembly& a, TToken) {
  LexNext(a);
  TRec* label = a.stmt.PendingLabel;
  if (!label) {
    ReportError(a, E_SyntaxError);
    return;
  }
  a.stmt.PendingLabel = nullptr;
  TExpRes v = EvalExpression(a);
  if (v.Sort == erInteger)
    DefineAddress(a, label, v.Int);
  else
    DefineValue(a, label, v, true);
}

// DEFL, "=" and ":=": a variable.
void HandleDefl(Assembly& a, TToken) {
  LexNext(a);
  TRec* label = a.stmt.PendingLabel;
  if (!label) {
    ReportError(a, E_SyntaxError);
    return;
  }
  a.stmt.PendingLabel = nullptr;
  TExpRes v = EvalExpression(a);
  DefineValue(a, label, v, false);
}

void HandleNoFlow(Assembly& a, TToken) {
  LexNext(a);
  CurSeg(a).Flows = false;
}

void HandleDataFollows(Assembly& a, TToken) {
  LexNext(a);
  std::vector<int32_t>& list = a.stmt.dataFollows;
  do {
    int32_t v = EvalInteger(a);
    if (std::find(list.begin(), list.end(), v) != list.end()) continue;
    if (list.size() >= 255) {
      ReportError(a, E_OutOfResources);
      return;
    }
    list.push_back(v);
  } while (NextListComma(a));
}

void HandleEnd(Assembly& a, TToken) {
  LexNext(a);
  if (!AtStatementEnd(a)) a.machine.defaultStartPC = static_cast<uint16_t>(EvalInteger(a));
  a.stmt.endFlag = true;
}

void HandleIgnored(Assembly& a, TToken) { LexNext(a); }

void HandleSleep(Assembly& a, TToken) {
  LexNext(a);
  int32_t ms = EvalInteger(a);
  if (ms > 0) a.env.clock->SleepMs(std::min(ms, 10000));
}

void SetStrictness(Assembly& a, int32_t value) {
  *a.options.shortcut[zoStrict] = value;
  *a.options.shortcut[zoStrictSyntax] = value;
}

void HandleStrict(Assembly& a, TToken) {
  LexNext(a);
  SetStrictness(a, 1);
}

void HandleExtended(Assembly& a, TToken) {
  LexNext(a);
  SetStrictness(a, 0);
}

void HandleZPush(Assembly& a, TToken) {
  LexNext(a);
  LexPeek(a);
  if (ItemIsChar(a.lex.pos, "=") || ItemIsChar(a.lex.pos, ":=")) LexNext(a);
  do {
    TExpRes v = EvalExpression(a);
    if (a.eval.valueStack.size() >= 256) {
      ReportError(a, E_OutOfStack);
      return;
    }
    a.eval.valueStack.push_back(std::move(v));
  } while (NextListComma(a));
}

enum class NumberForm { Decimal, Hex, Roman };

// Builds the text of a message list: strings as they are, integers and
// floats followed by a blank.
std::string BuildMessage(Assembly& a, NumberForm form) {
  std::string line;
  if (AtStatementEnd(a)) return line;
  do {
    TSegmentEntry& seg = CurSeg(a);
    seg.ElementPC = seg.PC;
    TExpRes v = EvalExpression(a);
    char buf[64];
    switch (v.Sort) {
      case erString:
        line += v.Str;
        break;
      case erInteger:
        if (form == NumberForm::Hex) {
          std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(v.Int));
          line += buf;
        } else if (form == NumberForm::Roman) {
          line += IntToRoman(v.Int);
        } else {
          line += std::to_string(v.Int);
        }
        line += ' ';
        break;
      case erFloat:
        line += FloatText(v.Float);
        line += ' ';
        break;
      case erError:
        break;
    }
  } while (NextListComma(a));
  return line;
}

void PrintMessage(Assembly& a, NumberForm form) {
  LexNext(a);
  std::string line = BuildMessage(a, form);
  if (a.pass.message) PrintErr(a, line);
}

void HandlePrint(Assembly& a, TToken) { PrintMessage(a, NumberForm::Decimal); }
void HandlePrintHex(Assembly& a, TToken) { PrintMessage(a, NumberForm::Hex); }
void HandlePrintRoman(Assembly& a, TToken) { PrintMessage(a, NumberForm::Roman); }

void UserError(Assembly& a, NumberForm form) {
  LexNext(a);
  std::string text = BuildMessage(a, form);
  ReportErrorText(a, E_UserError, text, false);
}

void HandleError(Assembly& a, TToken) { UserError(a, NumberForm::Decimal); }
void HandleErrorHex(Assembly& a, TToken) { UserError(a, NumberForm::Hex); }

bool OnIncludeStack(const Assembly& a, int slot) {
  for (const TSourceRef& r : a.sources.includeStack)
    if (r.RefListIndex == slot) return true;
  return false;
}

void HandleInclude(Assembly& a, TToken) {
  LexNext(a);
  TExpRes name = EvalExpression(a);
  if (name.Sort != erString) {
    ReportError(a, E_SyntaxError);
    return;
  }
  if (NextListComma(a)) EvalExpression(a);
  int slot = LoadSource(a, name.Str);
  if (slot < 0) {
    ReportError(a, E_InternalError);
    return;
  }
  const TSource& src = a.sources.slots[slot];
  if (!src.exists) {
    ReportErrorText(a, E_FileNotFound, " : \"" + name.Str + "\"", true);
    return;
  }
  if (!src.readError.empty()) {
    ReportErrorText(a, E_FileNotFound, " : \"" + name.Str + "\" can't be read: " + src.readError,
                    true);
    return;
  }
  if (OnIncludeStack(a, slot)) {
    ReportError(a, E_SyntaxError);
    return;
  }
  if (a.sources.includeStack.size() >= kMaxIncludeDepth + 1) {
    ReportError(a, E_OutOfResources);
    return;
  }
  LexPeek(a);
  a.sources.includeStack.push_back(TSourceRef{slot, LexSave(a)});
  LexResetSource(a, slot);
  a.diag.currentSource = slot;
}

}  // namespace

void RegisterCoreStatements(DispatchTable& t) {
  t.Set(tEQU, HandleEqu, true);
  t.Set(tDEFL, HandleDefl, true);
  t.Set(tNOFLOW, HandleNoFlow);
  t.Set(tVELDDATAFOLLOWS, HandleDataFollows);
  t.Set(tEND, HandleEnd);
  t.Set(tENT, HandleIgnored);
  t.Set(tVELDSLEEP, HandleSleep);
  t.Set(tSTRICT, HandleStrict);
  t.Set(tEXTENDED, HandleExtended);
  t.Set(tZPUSH, HandleZPush);
  t.Set(tVELDPRINT, HandlePrint);
  t.Set(tVELDPRINTHEX, HandlePrintHex);
  t.Set(tVELDPRINTROMAN, HandlePrintRoman);
  t.Set(tVELDERROR, HandleError);
  t.Set(tVELDERRORHEX, HandleErrorHex);
  t.Set(tINCLUDE, HandleInclude);
}
