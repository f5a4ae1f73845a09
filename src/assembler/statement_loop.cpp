#include "assembler/statement_loop.h"

#include "assembler/assembly.h"

void RegisterCoreStatements(DispatchTable&) {}

void PlantByte(Assembly& a, uint8_t value, bool isCode, bool flows, bool writable) {
  TSegmentEntry& s = CurSeg(a);
  if (a.placement.inStruct) {
    ReportError(a, E_PlantInStruct);
    return;
  }
  int64_t addr = static_cast<int64_t>(s.PC) + s.Displacement;
  bool inside = addr >= static_cast<int64_t>(s.Base) &&
                addr < static_cast<int64_t>(s.Base) + static_cast<int64_t>(s.Length);
  if (inside && a.pass.clean) StoreImageByte(a, addr, value, isCode, writable);
  if (!inside) ReportError(a, E_AddressError);
  ++s.PC;
  s.Flows = flows;
}

void PlantCodeWord(Assembly& a, int32_t v, bool writable) {
  PlantByte(a, static_cast<uint8_t>(v), true, true, writable);
  PlantByte(a, static_cast<uint8_t>(v >> 8), true, true, writable);
}

void PlantCodeWordNoFlow(Assembly& a, int32_t v, bool writable) {
  PlantByte(a, static_cast<uint8_t>(v), true, false, writable);
  PlantByte(a, static_cast<uint8_t>(v >> 8), true, false, writable);
}

void FlowCheck(Assembly& a) {
  TSegmentEntry& s = CurSeg(a);
  if (s.Flows && a.options.On(zoWarnFlow))
    Warning(a, a.diag.currentLine,
            " - this creates data or space that could be executed. (Use noflow or "
            "velddatafollows?)");
  s.Flows = false;
}

void DefinePendingLabelAtPC(Assembly& a) {
  if (!a.stmt.PendingLabel) return;
  DefineAddress(a, a.stmt.PendingLabel, CurSeg(a).PC);
  a.stmt.PendingLabel = nullptr;
}

// Placeholder pass until the statement loop lands: one statement per line.
void RunPass(Assembly& a) {
  a.pass.forcePass = a.pass.compressSeen = a.pass.abort = false;
  a.pass.nErrors = a.pass.nUndef = a.pass.nRedef = 0;
  a.diag.lastErrorLine = -1;
  a.pass.statementCount = 0;
  if (a.pass.clean) ClearImage(a);
  DefinePredefinedSymbols(a);
  a.pass.statementCount = static_cast<int32_t>(a.sources.slots[0].Lines.size());
}
