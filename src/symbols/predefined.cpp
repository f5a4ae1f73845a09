// The names the assembler puts into the symbol table before the first
// statement of every pass, the options among them, and the machine model
// names.

#include "assembler/assembly.h"
#include "symbols/options.h"

namespace {

constexpr OptionInfo kOptions[kOptionCount] = {
    {"zoStrict", 0},
    {"zoStrictSyntax", 0},
    {"zoCheckORG", 0},
    {"zoAllowFloatingLabels", 0},
    {"zoWarnLeadingZero", 1},
    {"zoWarnFlow", 1},
    {"zoStringIndexFromZero", 0},
    {"zoLogicOperatorsHighPri", 1},
    {"zoSupportStringEscapes", 1},
    {"zoSupportNext", 0},
    {"zoParaSysNotEmulate", 0},
    {"zoConstData", 1},
    {"zoDebug", 0},
    {"zoSpectrumFloats", 1},
    {"zoSpinnish", 0},
};

struct IntegerPreset {
  std::string_view name;
  int32_t value;
};

// Defined with Define address.
constexpr IntegerPreset kAddressNames[] = {
    {"true", 1},
    {"TRUE", 1},
    {"false", 0},
    {"FALSE", 0},
    {"veldz80", 1},
    {"VELDZ80", 1},
    {"veldver", 76},
    {"VELDVER", 76},
    {"veldmaxdatabreakpoint", kMaxDataBreakpointId},
    {"VELDMAXDATABREAKPOINT", kMaxDataBreakpointId},
    {"veldide", 0},
    {"VELDIDE", 0},
};

constexpr std::string_view kExecDirNames[] = {"VELDEXECDIR", "veldexecdir", "VELD_EXEC_DIR",
                                              "veld_exec_dir", "Veld_exec_dir"};
constexpr std::string_view kSrcDirNames[] = {"VELDSRCDIR", "veldsrcdir", "VELD_SRC_DIR",
                                             "veld_src_dir", "Veld_src_dir"};

// Integer variables with their defaults (Define value, not constant).
constexpr IntegerPreset kVariableNames[] = {
    {"Veld_cpm_sec_per_track", 128},    {"Veld_cpm_sec_per_block", 32},
    {"Veld_cpm_blocks_per_disk", 2048}, {"Veld_cpm_dir_cnt", 512},
    {"Veld_cpm_res_tracks_0", 1},       {"Veld_cpm_res_tracks_x", 0},
    {"Veld_cpm_disk_cnt", 8},           {"Veld_cpm_user", 0},
    {"Veld_parasys_baud", 0},
};

constexpr std::string_view kLastAddressNames[] = {"bVeldRunningInHeaven", "bVeldRunningInHell"};

struct ModelName {
  std::string_view name;
  int model;
};

constexpr ModelName kModelNames[] = {
    {"48K", mdl48K},
    {"128K", mdl128K},
    {"2", mdlPlus2},
    {"3", mdlPlus3},
    {"CPM", mdlCPM},
    {"CP/M", mdlCPM},
    {"NASCOM", mdlNascom},
    {"NASCOM2", mdlNascom},
    {"NAMELESS", mdlNameless},
    {"MEMBERSHIP", mdlMembership},
    {"MEMBERSHIPCARD", mdlMembership},
    {"CPC64", mdlCPC64},
    {"CPC", mdlCPC128},
    {"CPC128", mdlCPC128},
    {"BATTLE", mdlBattle},
    {"POLYP", mdlPolyp},
    {"NEXT", mdlNext},
    {"BASIL", mdlBasil},
    {"NOROM", -2},
    {"RAW", -2},
};

// Finds or creates a predefined name. A record created here belongs to no
// source line (line 0), which keeps it out of the unreferenced-label list.
TRec* Predefined(Assembly& a, std::string_view name) {
  size_t before = a.symbols.storage.size();
  TRec* r = FindOrCreateSymbol(a, name);
  if (a.symbols.storage.size() != before) {
    r->Line = 0;
    r->SourceID = 0;
  }
  r->bInternal = true;
  return r;
}

TExpRes IntegerValue(int32_t v) {
  TExpRes r;
  r.Sort = erInteger;
  r.Int = v;
  return r;
}

}  // namespace

const OptionInfo& OptionDescription(OptionId id) { return kOptions[id]; }

int ModelNumberOfName(std::string_view upperName) {
  for (const auto& m : kModelNames)
    if (m.name == upperName) return m.model;
  return -1;
}

std::string FolderOfPath(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

void SetOption(Assembly& a, OptionId id, int32_t value) {
  if (TRec* r = a.options.record[id]) DefineValue(a, r, IntegerValue(value), false);
}

void DefinePredefinedSymbols(Assembly& a) {
  for (const auto& p : kAddressNames) DefineAddress(a, Predefined(a, p.name), p.value);

  DefineText(a, Predefined(a, "timestr"), a.pass.timeStr);
  DefineText(a, Predefined(a, "TIMESTR"), a.pass.timeStr);

  // Folders are given as paths without a trailing "/" (only the root keeps it).
  const std::string& execDir = a.env.exeDir;
  for (auto name : kExecDirNames) DefineText(a, Predefined(a, name), execDir);
  const TSource& mainSource = a.sources.slots[0];
  std::string srcDir = mainSource.exists ? FolderOfPath(mainSource.FileName) : std::string();
  for (auto name : kSrcDirNames) DefineText(a, Predefined(a, name), srcDir);

  for (const auto& p : kVariableNames)
    DefineValue(a, Predefined(a, p.name), IntegerValue(p.value), false);

  for (int i = 0; i < kOptionCount; ++i) {
    TRec* r = Predefined(a, kOptions[i].name);
    DefineValue(a, r, IntegerValue(kOptions[i].defaultValue), false);
    a.options.record[i] = r;
    a.options.shortcut[i] = &r->Val.Whole().Int;
  }

  for (auto name : kLastAddressNames) DefineAddress(a, Predefined(a, name), 0);

  // Setting the defaults above is not an assignment by the source.
  a.options.logicPriorityAssigned = false;

  // Per-pass control state.
  a.control.dataBreakpoints.clear();
  a.lex.radixActive = false;
  a.lex.radix = 10;
}
