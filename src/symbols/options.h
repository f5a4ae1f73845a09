#pragma once
// Assembler options (integer variables in the symbol table, reset to their
// defaults at every pass start), the predefined symbols and the machine model.

#include <array>
#include <cstdint>

struct Assembly;

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
  Options() { shortcut.fill(&neutral); }
  int32_t Get(OptionId id) const { return *shortcut[id]; }
  bool On(OptionId id) const { return *shortcut[id] != 0; }
  void PointAtNeutral() {
    neutral = 0;
    shortcut.fill(&neutral);
  }
};

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

// State of the small control directives (data breakpoints and the like).
struct ControlState {
  int32_t placeholder = 0;
};

// Puts the predefined symbols and option defaults into the symbol table and
// re-points the option shortcuts (every pass start).
void DefinePredefinedSymbols(Assembly& a);
