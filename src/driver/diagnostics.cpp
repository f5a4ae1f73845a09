#include "driver/diagnostics.h"

#include <cstdio>

#include "assembler/assembly.h"

namespace {

struct ErrorText {
  int number;
  std::string_view text;
};

constexpr ErrorText kErrorTexts[] = {
    {201, "Syntax Error"},
    {202, "Integer Expected"},
    {203, "Illegal String"},
    {204, "Label Redefined"},
    {205, "Address Error"},
    {206, "Range Error"},
    {207, "Missing Block Comment"},
    {208, "Missing Comma"},
    {209, "Misuse Of Variable"},
    {210, "Not allowed to plant bytes in structure"},
    {211, "I haven't implemented this yet, sorry :("},
    {212, "Ran out of resources - endless loop?"},
    {213, "Missing Loop"},
    {214, "Missing Repeat"},
    {215, "Missing While"},
    {216, "Missing If"},
    {217, "Internal Error! Veld has screwed up :("},
    {218, "Divide By Zero"},
    {219, "Nesting Error - can't nest procedure or macro definitions, sorry"},
    {220, "Fatal error in segment statement, can't continue"},
    {221, "Type Mismatch"},
    {222, "Label Not Found"},
    {223, "Parameter Duplicated"},
    {224, "Too Many Parameters"},
    {225, "Not Enough Parameters"},
    {226, "Recursive Macro Expansion"},
    {227, "Missing Macro Definition"},
    {229, "Illegal_SMC_Label"},
    {236, "Switch Type Mismatch"},
    {239, "Bit mapping error"},
    {245, "File Not Found"},
    {246, "Tape Generation Error"},
    {247, "Not Yet Implemented"},
    {248, "Not Supported Error"},
    {249, "User_Aborted"},
    {250, "Missing Malign"},
    {251, "Alignment Error"},
    {252, "Remove this ridiculous snail!"},
    {253, "Out of stack resource"},
    {255, "Missing a closing ENDIF,UNTIL,WEND, or whatever..."},
};

void PrintErrorLine(Assembly& a, int n, std::string_view extra) {
  std::string line = LocationPrefix(a, a.diag.currentLine);
  line += " : error: ";
  line += ErrorMessage(n);
  line += extra;
  PrintErr(a, line);
}

}  // namespace

std::string_view ErrorMessage(int n) {
  for (const auto& e : kErrorTexts)
    if (e.number == n) return e.text;
  return {};
}

std::string LocationPrefixFor(const Assembly& a, int32_t slot, int32_t line) {
  std::string_view name;
  if (slot >= 0 && slot < kSourceSlots) name = a.sources.slots[slot].ShortName;
  char num[16];
  std::snprintf(num, sizeof num, ":%5d ", line);
  std::string out(name);
  out += num;
  return out;
}

std::string LocationPrefix(const Assembly& a, int32_t line) {
  return LocationPrefixFor(a, a.diag.currentSource, line);
}

void PrintOut(Assembly& a, std::string_view line) { a.env.console->Out(line); }
void PrintErr(Assembly& a, std::string_view line) { a.env.console->Err(line); }

void ReportErrorText(Assembly& a, int n, std::string_view extra, bool skip) {
  ++a.diag.reports;
  if (a.diag.currentLine == a.diag.lastErrorLine) {
    // A second error on a line is neither counted nor printed, but the
    // statement that met it still gives up the rest of the line: going on
    // after it could leave the statement loop on the same item for ever.
    if (skip) LexSkipToEOL(a);
    return;
  }
  a.diag.lastErrorLine = a.diag.currentLine;
  ++a.pass.nErrors;
  if (a.pass.finalPass && a.pass.pass > 1) PrintErrorLine(a, n, extra);
  if (skip) LexSkipToEOL(a);
}

void ReportError(Assembly& a, int n) { ReportErrorText(a, n, {}, true); }

void FatalError(Assembly& a, int n) {
  ++a.diag.reports;
  a.diag.lastErrorLine = a.diag.currentLine;
  ++a.pass.nErrors;
  a.pass.finalPass = true;
  PrintErrorLine(a, n, {});
  a.pass.abort = true;
}

void Warning(Assembly& a, int32_t line, std::string_view text) {
  if (!a.pass.clean || a.pass.holdWarnings) return;
  std::string out = LocationPrefix(a, line);
  out += " : warning: ";
  out += text;
  PrintOut(a, out);
}
