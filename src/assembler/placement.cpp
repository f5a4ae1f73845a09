// Placement directives: where bytes go (ORG, DISP, ALIGN, MALIGN, SEGMENT,
// STRUCT, ZXNEXTMAP) and the per-cell memory marks (MEM_*, PROFILE,
// VELDMARKUSED/UNUSED).

#include <cstdio>

#include "assembler/assembly.h"

namespace {

bool NextIsChar(Assembly& a, std::string_view c) {
  LexPeek(a);
  return ItemIsChar(a.lex.pos, c);
}

bool ExpectComma(Assembly& a) {
  if (NextIsChar(a, ",")) {
    LexNext(a);
    return true;
  }
  ReportError(a, E_SyntaxError);
  return false;
}

// PC outside [Base, Base + Length) of the current segment is an address error.
void CheckSegmentRange(Assembly& a) {
  const TSegmentEntry& s = CurSeg(a);
  int64_t pc = s.PC;
  if (pc < 0 || pc < static_cast<int64_t>(s.Base) ||
      pc >= static_cast<int64_t>(s.Base) + static_cast<int64_t>(s.Length))
    ReportError(a, E_AddressError);
}

int32_t RoundUp(int32_t pc, int32_t n) {
  int64_t v = (static_cast<int64_t>(pc) + n - 1) / n * n;
  return static_cast<int32_t>(v);
}

void HandleOrg(Assembly& a, TToken) {
  LexNext(a);
  int32_t address = EvalInteger(a);
  TSegmentEntry& s = CurSeg(a);
  if (a.pass.clean && address != s.PC) {
    if (s.Flows) FlowCheck(a);
    s.Flows = false;
    if (a.options.On(zoCheckORG)) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "PC moved from %04X to %04X", static_cast<uint32_t>(s.PC),
                    static_cast<uint32_t>(address));
      Warning(a, a.diag.currentLine, buf);
    }
  }
  s.PC = address;
  if (NextIsChar(a, ",")) {
    LexNext(a);
    s.Displacement = EvalInteger(a);
  }
  CheckSegmentRange(a);
  a.lex.pos.sLastMainLabel = a.lex.pos.sLastRawLabel;
  DefinePendingLabelAtPC(a);
}

void HandleDisp(Assembly& a, TToken) {
  LexNext(a);
  CurSeg(a).Displacement = EvalInteger(a);
}

void HandleDispTo(Assembly& a, TToken) {
  LexNext(a);
  int32_t target = EvalInteger(a);
  CurSeg(a).Displacement =
      static_cast<int32_t>(static_cast<uint32_t>(target) - static_cast<uint32_t>(CurSeg(a).PC));
}

void HandleAlign(Assembly& a, TToken) {
  LexNext(a);
  int32_t n = EvalInteger(a);
  FlowCheck(a);
  if (n > 0) CurSeg(a).PC = RoundUp(CurSeg(a).PC, n);
  CheckSegmentRange(a);
}

void HandleMalign(Assembly& a, TToken) {
  LexNext(a);
  int32_t n = EvalInteger(a);
  bool on = true;
  if (NextIsChar(a, ",")) {
    LexNext(a);
    on = EvalBoolean(a);
  }
  FlowCheck(a);
  PlacementState& pl = a.placement;
  if (pl.malignStack.size() >= 255 || pl.malignCounter >= 65535) {
    ReportError(a, E_OutOfResources);
    return;
  }
  MalignEntry e;
  e.line = a.diag.currentLine;
  e.source = a.diag.currentSource;
  e.blockNo = pl.malignCounter++;
  if (pl.malignDecisions.size() <= static_cast<size_t>(e.blockNo))
    pl.malignDecisions.resize(e.blockNo + 1, 0);
  uint8_t& decision = pl.malignDecisions[e.blockNo];
  if (a.pass.pass == 1 || decision == 0)
    decision = on ? 2 : 1;
  else
    on = decision == 2;
  e.on = on;
  e.alignment = n < 1 ? 1 : n;
  TSegmentEntry& s = CurSeg(a);
  if (on && n >= 1) s.PC = RoundUp(s.PC, n);
  e.start = s.PC;
  pl.malignStack.push_back(e);
  CheckSegmentRange(a);
}

void HandleMaligned(Assembly& a, TToken) {
  LexNext(a);
  PlacementState& pl = a.placement;
  if (pl.malignStack.empty()) {
    ReportError(a, E_MissingMalign);
    return;
  }
  MalignEntry e = pl.malignStack.back();
  pl.malignStack.pop_back();
  int64_t last = static_cast<int64_t>(CurSeg(a).PC) - 1;
  auto blockOf = [&](int64_t v) {  // floor division, so a block before 0 is told apart
    return v >= 0 ? v / e.alignment : -((-v + e.alignment - 1) / e.alignment);
  };
  if (blockOf(e.start) == blockOf(last)) return;
  if (!e.on && a.pass.realignAllowed) {
    pl.malignDecisions[e.blockNo] = 2;
    a.pass.forcePass = true;
  } else {
    ReportError(a, E_AlignmentError);
  }
}

void HandleSegment(Assembly& a, TToken) {
  LexNext(a);
  LexPeek(a);
  if (a.lex.pos.Item != I_Ident) {
    FatalError(a, E_SegmentFatal);
    return;
  }
  const std::string_view name = a.lex.pos.ITxt;
  LexNext(a);
  TRec* r = FindSymbol(a, name, true);
  bool assigns = NextIsChar(a, "=") || NextIsChar(a, ":=");
  PlacementState& pl = a.placement;
  if (!r || r->Mode == T_Undef) {
    if (pl.userSegments >= 255) {
      ReportError(a, E_OutOfResources);
      return;
    }
    r = FindOrCreateSymbol(a, name);
    r->Mode = T_Segment;
    r->Val.SetInteger(++pl.userSegments);
    r->LastPass = a.pass.pass;
    if (!assigns) {
      FatalError(a, E_SegmentFatal);
      return;
    }
  } else if (r->Mode != T_Segment) {
    LexSkipToEOL(a);
    return;
  }
  int32_t index = r->Val.Int();
  if (!assigns) {
    pl.current = index;
    return;
  }
  LexNext(a);
  int32_t base = EvalInteger(a);
  if (!NextIsChar(a, ",")) {
    FatalError(a, E_SegmentFatal);
    return;
  }
  LexNext(a);
  int32_t length = EvalInteger(a);
  TSegmentEntry& s = pl.segments[index];
  s = TSegmentEntry{};
  s.Base = static_cast<uint32_t>(base);
  s.Length = static_cast<uint32_t>(length);
  s.PC = s.StatementPC = s.ElementPC = base;
  s.Displacement = 0;
}

void HandleStruct(Assembly& a, TToken) {
  LexNext(a);
  PlacementState& pl = a.placement;
  if (pl.structStack.size() >= 256) {
    ReportError(a, E_OutOfResources);
    return;
  }
  TSegmentEntry& s = CurSeg(a);
  pl.structStack.push_back(StructSave{s.PC, s.StatementPC, s.ElementPC, s.Flows});
  s.PC = s.StatementPC = s.ElementPC = 0;
  s.Flows = false;
  pl.inStruct = true;
}

void HandleSend(Assembly& a, TToken) {
  LexNext(a);
  PlacementState& pl = a.placement;
  if (pl.structStack.empty()) {
    ReportError(a, E_SyntaxError);
    return;
  }
  StructSave v = pl.structStack.back();
  pl.structStack.pop_back();
  TSegmentEntry& s = CurSeg(a);
  s.PC = v.PC;
  s.StatementPC = v.StatementPC;
  s.ElementPC = v.ElementPC;
  s.Flows = v.Flows;
  pl.inStruct = !pl.structStack.empty();
}

void HandleNextMap(Assembly& a, TToken) {
  LexNext(a);
  if (!IsNext(a.machine.model)) {
    ReportError(a, E_SyntaxError);
    return;
  }
  a.image.nextMapActive = true;
  for (int slot = 0; slot < 8; ++slot) {
    if (slot > 0 && !ExpectComma(a)) return;
    int32_t page = EvalInteger(a);
    if (page < 0) continue;
    a.image.mmuSlots[slot] = page >= 224 ? kDumpCell : 0x40000 + page * 0x2000;
  }
}

// Calls mark(cell) for every cell of the logical range start..start+length-1.
template <typename Mark>
void ForEachCell(Assembly& a, int32_t start, int32_t length, Mark mark) {
  if (length <= 0 || start < 0) return;
  int64_t end = static_cast<int64_t>(start) + length;
  if (end > kImageCells) end = kImageCells;  // beyond the image nothing can be marked
  for (int64_t addr = start; addr < end; ++addr) {
    int32_t cell = MapAddress(a, addr, true);
    if (cell >= 0) mark(a.image.WritableCell(cell));
  }
}

// Reads "start, length" and applies the marks, only in the clean pass.
template <typename Mark>
void MarkRange(Assembly& a, Mark mark) {
  LexNext(a);
  int32_t start = EvalInteger(a);
  if (!ExpectComma(a)) return;
  int32_t length = EvalInteger(a);
  if (a.pass.clean) ForEachCell(a, start, length, mark);
}

void HandleProfile(Assembly& a, TToken) {
  LexNext(a);
  if (NextIsChar(a, "=") || NextIsChar(a, ":=")) {
    LexNext(a);
    a.image.profiling = EvalInteger(a) != 0;
    return;
  }
  int32_t start = EvalInteger(a);
  if (!ExpectComma(a)) return;
  int32_t length = EvalInteger(a);
  if (a.pass.clean) ForEachCell(a, start, length, [](TMemCell& c) { c.Profile = true; });
}

void MemCode(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) { c.Execute = true; });
}
void MemVoid(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) { c.Execute = c.Read = c.Write = false; });
}
void MemRo(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) {
    c.Read = true;
    c.Write = false;
  });
}
void MemRom(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) {
    c.Read = c.Rom = true;
    c.Write = false;
  });
}
void MemWo(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) {
    c.Execute = c.Read = false;
    c.Write = true;
  });
}
void MemVar(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) {
    c.Execute = false;
    c.Read = c.Write = true;
  });
}
void MemSmc(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) { c.Execute = c.Read = c.Write = true; });
}
void MarkUsed(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) { c.Used = true; });
}
void MarkUnused(Assembly& a, TToken) {
  MarkRange(a, [](TMemCell& c) { c.Used = false; });
}

}  // namespace

void RegisterPlacementDirectives(DispatchTable& t) {
  t.Set(tORG, HandleOrg, true);
  t.Set(tDISP, HandleDisp);
  t.Set(tDISPTO, HandleDispTo);
  t.Set(tALIGN, HandleAlign);
  t.Set(tMALIGN, HandleMalign);
  t.Set(tMALIGNED, HandleMaligned);
  t.Set(tSEGMENT, HandleSegment);
  t.Set(tSTRUCT, HandleStruct);
  t.Set(tSEND, HandleSend);
  t.Set(tZXNEXTMAP, HandleNextMap);
  t.Set(tPROFILE, HandleProfile);
  t.Set(tMEM_CODE, MemCode);
  t.Set(tMEM_VOID, MemVoid);
  t.Set(tMEM_RO, MemRo);
  t.Set(tMEM_ROM, MemRom);
  t.Set(tMEM_WO, MemWo);
  t.Set(tMEM_VAR, MemVar);
  t.Set(tMEM_SMC, MemSmc);
  t.Set(tVELDMARKUSED, MarkUsed);
  t.Set(tVELDMARKUNUSED, MarkUnused);
}
