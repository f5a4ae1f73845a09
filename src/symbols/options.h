#pragma once
// Assembler options (integer variables in the symbol table, reset to their
// defaults at every pass start), the predefined symbols and the machine model.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Assembly;
struct TRec;

enum OptionId : int {
  zoStrict,
  zoStrictSyntax,
  zoCheckORG,
  zoAllowFloatingLabels,
  zoWarnLeadingZero,
  zoWarnFlow,
  zoStringIndexFromZero,
  zoLogicOperatorsHighPri,
  zoSupportStringEscapes,
  zoSupportNext,
  zoParaSysNotEmulate,
  zoConstData,
  zoDebug,
  zoSpectrumFloats,
  zoSpinnish,
  kOptionCount
};

// Direct references to the integer field of each option symbol, re-pointed
// every pass, so hot code reads an option without a look-up and sees a source
// assignment from the next expression on.
struct Options {
  int32_t neutral = 0;
  std::array<int32_t*, kOptionCount> shortcut{};
  std::array<TRec*, kOptionCount> record{};  // the option symbols of this pass
  // Set when the source assigns zoLogicOperatorsHighPri in the current pass.
  bool logicPriorityAssigned = false;
  Options() { shortcut.fill(&neutral); }
  int32_t Get(OptionId id) const { return *shortcut[id]; }
  bool On(OptionId id) const { return *shortcut[id] != 0; }
  void PointAtNeutral() {
    neutral = 0;
    shortcut.fill(&neutral);
    record.fill(nullptr);
    logicPriorityAssigned = false;
  }
};

// Name and default of an option.
struct OptionInfo {
  std::string_view name;
  int32_t defaultValue;
};
const OptionInfo& OptionDescription(OptionId id);

// Assigns an option as a source assignment would (EMULATE_SPECTRUM, STRICT,
// EXTENDED). Before the first pass of a run there is no option symbol and
// nothing happens.
void SetOption(Assembly& a, OptionId id, int32_t value);

// The machine model lives for the whole process (it carries into the next run).
struct MachineState {
  uint8_t model = 0;
  bool noRom = false;
  uint16_t defaultStartPC = 0;
  uint16_t defaultStartSP = 0;
};

enum ModelNo : uint8_t {
  mdl48K = 0,
  mdl128K = 2,
  mdlPlus2 = 4,
  mdlPlus3 = 6,
  mdlCPM = 8,
  mdlNascom = 9,
  mdlNameless = 11,
  mdlMembership = 12,
  mdlCPC64 = 13,
  mdlCPC128 = 14,
  mdlBattle = 15,
  mdlPolyp = 16,
  mdlNext = 17,
  mdlBasil = 18,
};

inline bool Is48K(uint8_t m) { return m <= 1; }
inline bool Is128KFamily(uint8_t m) { return m >= 2 && m <= 7; }  // 128K, +2, +3
inline bool Is128K(uint8_t m) { return m == 2 || m == 3; }
inline bool IsPlus2(uint8_t m) { return m == 4 || m == 5; }
inline bool IsPlus3(uint8_t m) { return m == 6 || m == 7; }
inline bool IsCPM(uint8_t m) { return m == 8; }
inline bool IsNascom(uint8_t m) { return m == 9 || m == 10; }
inline bool IsNameless(uint8_t m) { return m == 11; }
inline bool IsMembership(uint8_t m) { return m == 12; }
inline bool IsCPC(uint8_t m) { return m == 13 || m == 14; }
inline bool IsBattle(uint8_t m) { return m == 15; }
inline bool IsPolyp(uint8_t m) { return m == 16; }
inline bool IsNext(uint8_t m) { return m == 17; }
inline bool IsBasil(uint8_t m) { return m == 18; }

// Model number named in EMULATE_SPECTRUM (upper case), or -1 for an unknown
// name. "NOROM" and "RAW" give -2: accepted, model unchanged.
int ModelNumberOfName(std::string_view upperName);

// One VELDDATABREAKPOINT definition.
struct TBreakpointDefn {
  int32_t ID = 0;
  bool bHasText = false;
  bool bHasAddr = false;
  bool bHasLength = false;
  std::string Text;
  int32_t Addr = 0;
  int32_t Length = 0;
};

inline constexpr int kMaxDataBreakpoints = 256;
inline constexpr int kMaxDataBreakpointId = 14;

// State of the small control directives; lives for one pass.
struct ControlState {
  std::vector<TBreakpointDefn> dataBreakpoints;
};

// Puts the predefined symbols and option defaults into the symbol table and
// re-points the option shortcuts (every pass start). Also starts the pass's
// control state afresh: data breakpoints emptied, SETRADIX off.
void DefinePredefinedSymbols(Assembly& a);

// The folder of a file in the form the directory symbols use: the path up to
// (not including) the last "/", "/" for a file in the root, "" for none.
std::string FolderOfPath(std::string_view path);
