// After the final pass the source's own symbols say how snapshots start (the
// register presets) and how CP/M disk images are laid out.

#include "symbols/presets.h"

#include <array>
#include <cctype>
#include <string>

#include "assembler/assembly.h"

namespace {

// Register names in PresetReg order.
constexpr std::string_view kPresetNames[kPresetCount] = {
    "PC",     "SP",    "AF",    "BC",    "DE",    "HL",    "IX",    "IY",   "F",    "I",
    "R",      "AltAF", "AltBC", "AltDE", "AltHL", "A",     "B",     "C",    "D",    "E",
    "H",      "L",     "AltA",  "AltB",  "AltC",  "AltD",  "AltE",  "AltH", "AltL", "AltF",
    "MEMPTR", "A32",   "IM",    "IE",    "P1FFD", "P7FFD", "PDFFD",
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The eight name forms of each register, in the order they are tried. They
// never change, so they are spelled once per process rather than per look-up.
using PresetForms = std::array<std::string, 8>;
const std::array<PresetForms, kPresetCount>& AllPresetForms() {
  static const std::array<PresetForms, kPresetCount> forms = [] {
    std::array<PresetForms, kPresetCount> f;
    for (int i = 0; i < kPresetCount; ++i) {
      const std::string x(kPresetNames[i]);
      f[i] = {"Veld_" + x,       "Veld" + x,         "VELD_" + x,        "VELD" + x,
              Lower("veld" + x), Lower("veld_" + x), "VeldEmulate_" + x, "VeldEmulate" + x};
    }
    return f;
  }();
  return forms;
}

// The first of the eight name forms that exists wins; its reference is counted.
TRec* FindPreset(Assembly& a, int reg) {
  for (const std::string& name : AllPresetForms()[reg])
    if (TRec* r = FindSymbol(a, name, true)) return r;
  return nullptr;
}

void SetHigh(uint16_t& pair, int32_t v) {
  pair = static_cast<uint16_t>((pair & 0x00FF) | ((v & 0xFF) << 8));
}
void SetLow(uint16_t& pair, int32_t v) {
  pair = static_cast<uint16_t>((pair & 0xFF00) | (v & 0xFF));
}

void ApplyOne(Assembly& a, PresetReg reg, int32_t v) {
  SnapshotCpuState& c = a.cpu;
  const uint16_t w = static_cast<uint16_t>(v);
  switch (reg) {
    case rPC:
      a.machine.defaultStartPC = w;
      break;
    case rSP:
      a.machine.defaultStartSP = w;
      break;
    case rAF:
      c.AF = w;
      break;
    case rBC:
      c.BC = w;
      break;
    case rDE:
      c.DE = w;
      break;
    case rHL:
      c.HL = w;
      break;
    case rIX:
      c.IX = w;
      break;
    case rIY:
      c.IY = w;
      break;
    case rAltAF:
      c.AltAF = w;
      break;
    case rAltBC:
      c.AltBC = w;
      break;
    case rAltDE:
      c.AltDE = w;
      break;
    case rAltHL:
      c.AltHL = w;
      break;
    case rF:
      SetLow(c.AF, v);
      break;
    case rI:
      c.I = static_cast<uint8_t>(v);
      break;
    case rR:
      c.R = static_cast<uint8_t>(v);
      break;
    case rA:
      SetHigh(c.AF, v);
      break;
    case rB:
      SetHigh(c.BC, v);
      break;
    case rC:
      SetLow(c.BC, v);
      break;
    case rD:
      SetHigh(c.DE, v);
      break;
    case rE:
      SetLow(c.DE, v);
      break;
    case rH:
      SetHigh(c.HL, v);
      break;
    case rL:
      SetLow(c.HL, v);
      break;
    case rAltF:
      SetLow(c.AltAF, v);
      break;
    case rAltA:
      SetHigh(c.AltAF, v);
      break;
    case rAltB:
      SetHigh(c.AltBC, v);
      break;
    case rAltC:
      SetLow(c.AltBC, v);
      break;
    case rAltD:
      SetHigh(c.AltDE, v);
      break;
    case rAltE:
      SetLow(c.AltDE, v);
      break;
    case rAltH:
      SetHigh(c.AltHL, v);
      break;
    case rAltL:
      SetLow(c.AltHL, v);
      break;
    case rMEMPTR:
      c.MEMPTR = w;
      break;
    case rIM:
      c.IM = static_cast<uint8_t>(v);
      break;
    default:
      break;
  }
}

// Pairs first, then halves, so that "A" wins over "AF".
constexpr PresetReg kApplyOrder[] = {
    rPC,    rSP,   rAF,   rBC,   rDE,   rHL,   rIX,   rIY,   rAltAF,  rAltBC, rAltDE,
    rAltHL, rF,    rI,    rR,    rA,    rB,    rC,    rD,    rE,      rH,     rL,
    rAltF,  rAltA, rAltB, rAltC, rAltD, rAltE, rAltH, rAltL, rMEMPTR, rIM,
};

// A constant or variable holding a non-zero number or a non-empty string.
bool SymbolIsSet(Assembly& a, std::string_view name) {
  const TRec* r = FindSymbol(a, name, false);
  if (!r || (r->Mode != T_Addr && r->Mode != T_VarVal && r->Mode != T_FixedVal)) return false;
  switch (r->Val.Sort()) {
    case erInteger:
      return r->Val.Int() != 0;
    case erFloat:
      return r->Val.Float() != 0;
    case erString:
      return !r->Val.Str().empty();
    case erError:
      return false;
  }
  return false;
}

// A preset holding a float or a string gives its stored integer, which is
// rarely what was meant: say so where the symbol is defined.
void WarnNotInteger(Assembly& a, const TRec& r) {
  const char* kind = r.Val.Sort() == erFloat ? "a float" : "a string";
  PrintOut(a, LocationPrefixFor(a, r.SourceID, r.Line) + " : warning: register preset " +
                  std::string(r.Name()) + " holds " + kind + "; the snapshot gets " +
                  std::to_string(r.Val.Int()));
}

}  // namespace

void ApplyRegisterPresets(Assembly& a) {
  auto& presets = a.pass.presets;
  for (int i = 0; i < kPresetCount; ++i) {
    presets[i] = RegisterPreset{};
    if (const TRec* r = FindPreset(a, i)) {
      presets[i] = {true, r->Val.Int()};
      if (r->Val.Sort() != erInteger) WarnNotInteger(a, *r);
    }
  }

  a.cpu = SnapshotCpuState{};
  for (PresetReg reg : kApplyOrder)
    if (presets[reg].set) ApplyOne(a, reg, presets[reg].value);
  a.cpu.PC = a.machine.defaultStartPC;
  a.cpu.SP = a.machine.defaultStartSP;

  auto port = [&](PresetReg reg) { return presets[reg].set ? presets[reg].value : -1; };
  a.cpu.P1FFD = port(rP1FFD);
  a.cpu.P7FFD = port(rP7FFD);
  a.cpu.PDFFD = port(rPDFFD);

  a.cpu.onlyUse128KSNAVector = SymbolIsSet(a, "bOnlyUse128KSNAVector");

  // Interrupts are enabled when the program has somewhere to start.
  bool ie = a.machine.defaultStartPC != 0;
  if (presets[rIE].set) ie = presets[rIE].value != 0;
  a.cpu.IFF1 = a.cpu.IFF2 = ie;
}

CpmSettings CpmSettingsFromSymbols(Assembly& a) {
  CpmSettings c;
  if (const TRec* r = FindSymbol(a, "Veld_cpm_drives", false)) {
    if ((r->Mode == T_VarVal || r->Mode == T_FixedVal) && r->Val.Sort() == erString) {
      c.haveDrives = true;
      c.drives = r->Val.Str();
    }
  }
  c.secPerTrack = IntegerOfSymbol(a, "Veld_cpm_sec_per_track", 128);
  c.secPerBlock = IntegerOfSymbol(a, "Veld_cpm_sec_per_block", 32);
  c.blocksPerDisk = IntegerOfSymbol(a, "Veld_cpm_blocks_per_disk", 2048);
  c.dirCnt = IntegerOfSymbol(a, "Veld_cpm_dir_cnt", 512);
  c.resTracks0 = IntegerOfSymbol(a, "Veld_cpm_res_tracks_0", 1);
  c.resTracksX = IntegerOfSymbol(a, "Veld_cpm_res_tracks_x", 0);
  c.diskCnt = IntegerOfSymbol(a, "Veld_cpm_disk_cnt", 8);
  return c;
}

void ReadCpmSettings(Assembly& a) { a.cpm = CpmSettingsFromSymbols(a); }

bool LogicPriorityUntouched(const Assembly& a) { return !a.options.logicPriorityAssigned; }
