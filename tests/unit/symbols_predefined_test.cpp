// Predefined symbols, the options and their shortcuts, machine model names.

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

class PredefinedTest : public ::testing::Test {
 protected:
  TestRun t;
  Assembly& a = *t.a;

  void SetUp() override {
    ClearSymbols(a);
    a.pass = PassState{};
    a.pass.timeStr = "09:05 pm Tue 8/Dec/2026";
    a.sources.slots[0].ShortName = "main.asm";
    a.sources.slots[0].FileName = "/home/dev/game/main.asm";
    a.sources.slots[0].exists = true;
    StartPass(1);
  }
  void StartPass(int n) {
    a.pass.pass = n;
    a.pass.nErrors = a.pass.nRedef = a.pass.nUndef = 0;
    a.diag.lastErrorLine = -1;
    a.diag.currentLine = 0;
    DefinePredefinedSymbols(a);
  }
  const TRec& Sym(const char* name) {
    const TRec* r = FindSymbol(a, name, false);
    EXPECT_NE(r, nullptr) << name;
    static TRec none;
    return r ? *r : none;
  }
  TExpRes Int(int32_t v) {
    TExpRes r;
    r.Sort = erInteger;
    r.Int = v;
    return r;
  }
};

TEST_F(PredefinedTest, NamesComeInTheirOrder) {
  std::vector<std::string> names;
  for (const TRec* r : a.symbols.storage) names.push_back(std::string(r->Name()));
  const std::vector<std::string> expected = {"true",
                                             "TRUE",
                                             "false",
                                             "FALSE",
                                             "veldz80",
                                             "VELDZ80",
                                             "veldver",
                                             "VELDVER",
                                             "veldmaxdatabreakpoint",
                                             "VELDMAXDATABREAKPOINT",
                                             "veldide",
                                             "VELDIDE",
                                             "timestr",
                                             "TIMESTR",
                                             "VELDEXECDIR",
                                             "veldexecdir",
                                             "VELD_EXEC_DIR",
                                             "veld_exec_dir",
                                             "Veld_exec_dir",
                                             "VELDSRCDIR",
                                             "veldsrcdir",
                                             "VELD_SRC_DIR",
                                             "veld_src_dir",
                                             "Veld_src_dir",
                                             "Veld_cpm_sec_per_track",
                                             "Veld_cpm_sec_per_block",
                                             "Veld_cpm_blocks_per_disk",
                                             "Veld_cpm_dir_cnt",
                                             "Veld_cpm_res_tracks_0",
                                             "Veld_cpm_res_tracks_x",
                                             "Veld_cpm_disk_cnt",
                                             "Veld_cpm_user",
                                             "Veld_parasys_baud",
                                             "zoStrict",
                                             "zoStrictSyntax",
                                             "zoCheckORG",
                                             "zoAllowFloatingLabels",
                                             "zoWarnLeadingZero",
                                             "zoWarnFlow",
                                             "zoStringIndexFromZero",
                                             "zoLogicOperatorsHighPri",
                                             "zoSupportStringEscapes",
                                             "zoSupportNext",
                                             "zoParaSysNotEmulate",
                                             "zoConstData",
                                             "zoDebug",
                                             "zoSpectrumFloats",
                                             "zoSpinnish",
                                             "bVeldRunningInHeaven",
                                             "bVeldRunningInHell"};
  EXPECT_EQ(names, expected);
  for (const TRec* r : a.symbols.storage) {
    EXPECT_TRUE(r->bInternal) << r->Name();
    EXPECT_EQ(r->Line, 0) << r->Name();  // no source line: never an unreferenced label
  }
}

TEST_F(PredefinedTest, KindsAndValues) {
  EXPECT_EQ(Sym("true").Mode, T_Addr);
  EXPECT_EQ(Sym("TRUE").Val.Int(), 1);
  EXPECT_EQ(Sym("FALSE").Val.Int(), 0);
  EXPECT_EQ(Sym("VELDZ80").Val.Int(), 1);
  EXPECT_EQ(Sym("veldver").Val.Int(), 76);
  EXPECT_EQ(Sym("VELDMAXDATABREAKPOINT").Val.Int(), 14);
  EXPECT_EQ(Sym("veldide").Val.Int(), 0);
  EXPECT_EQ(Sym("TIMESTR").Mode, T_FixedVal);
  EXPECT_EQ(Sym("timestr").Val.Str(), "09:05 pm Tue 8/Dec/2026");
  EXPECT_EQ(Sym("Veld_cpm_sec_per_track").Mode, T_VarVal);
  EXPECT_EQ(Sym("Veld_cpm_sec_per_track").Val.Int(), 128);
  EXPECT_EQ(Sym("Veld_cpm_sec_per_block").Val.Int(), 32);
  EXPECT_EQ(Sym("Veld_cpm_blocks_per_disk").Val.Int(), 2048);
  EXPECT_EQ(Sym("Veld_cpm_dir_cnt").Val.Int(), 512);
  EXPECT_EQ(Sym("Veld_cpm_res_tracks_0").Val.Int(), 1);
  EXPECT_EQ(Sym("Veld_cpm_res_tracks_x").Val.Int(), 0);
  EXPECT_EQ(Sym("Veld_cpm_disk_cnt").Val.Int(), 8);
  EXPECT_EQ(Sym("bVeldRunningInHell").Mode, T_Addr);
  EXPECT_EQ(Sym("bVeldRunningInHeaven").Val.Int(), 0);
}

TEST_F(PredefinedTest, DirectoriesAreFolders) {
  // The test environment says the program lives in /opt/veld.
  for (auto n : {"VELDEXECDIR", "veldexecdir", "VELD_EXEC_DIR", "veld_exec_dir", "Veld_exec_dir"})
    EXPECT_EQ(Sym(n).Val.Str(), "/opt/veld") << n;
  for (auto n : {"VELDSRCDIR", "veldsrcdir", "VELD_SRC_DIR", "veld_src_dir", "Veld_src_dir"}) {
    EXPECT_EQ(Sym(n).Mode, T_FixedVal);
    EXPECT_EQ(Sym(n).Val.Str(), "/home/dev/game") << n;
  }
}

TEST_F(PredefinedTest, MissingMainSourceOrUnknownProgramFolderGiveEmptyTexts) {
  ClearSymbols(a);
  a.sources.slots[0].exists = false;
  a.env.exeDir.clear();
  StartPass(1);
  EXPECT_EQ(Sym("VELDSRCDIR").Val.Str(), "");
  EXPECT_EQ(Sym("VELDEXECDIR").Val.Str(), "");
}

TEST_F(PredefinedTest, FolderOfPath) {
  EXPECT_EQ(FolderOfPath("/home/dev/game/main.asm"), "/home/dev/game");
  EXPECT_EQ(FolderOfPath("/main.asm"), "/");
  EXPECT_EQ(FolderOfPath("main.asm"), "");
  EXPECT_EQ(FolderOfPath(""), "");
}

TEST_F(PredefinedTest, OptionDefaultsThroughShortcuts) {
  const std::pair<OptionId, int32_t> defaults[] = {{zoStrict, 0},
                                                   {zoStrictSyntax, 0},
                                                   {zoCheckORG, 0},
                                                   {zoAllowFloatingLabels, 0},
                                                   {zoWarnLeadingZero, 1},
                                                   {zoWarnFlow, 1},
                                                   {zoStringIndexFromZero, 0},
                                                   {zoLogicOperatorsHighPri, 1},
                                                   {zoSupportStringEscapes, 1},
                                                   {zoSupportNext, 0},
                                                   {zoParaSysNotEmulate, 0},
                                                   {zoConstData, 1},
                                                   {zoDebug, 0},
                                                   {zoSpectrumFloats, 1},
                                                   {zoSpinnish, 0}};
  for (auto [id, v] : defaults) {
    EXPECT_EQ(a.options.Get(id), v) << OptionDescription(id).name;
    const TRec& r = Sym(std::string(OptionDescription(id).name).c_str());
    EXPECT_EQ(r.Mode, T_VarVal);
    EXPECT_EQ(a.options.shortcut[id], &const_cast<TRec&>(r).Val.Whole().Int);
  }
}

TEST_F(PredefinedTest, AssignmentTakesEffectAtOnceAndOnlyUntilThePassEnds) {
  TRec* warn = FindSymbol(a, "zoWarnLeadingZero", false);
  EXPECT_TRUE(a.options.On(zoWarnLeadingZero));  // "line 5"
  a.diag.currentLine = 10;
  DefineValue(a, warn, Int(0), false);            // "zoWarnLeadingZero = 0" on line 10
  EXPECT_FALSE(a.options.On(zoWarnLeadingZero));  // "line 20"
  StartPass(2);
  EXPECT_TRUE(a.options.On(zoWarnLeadingZero));  // line 5 of the next pass
  EXPECT_EQ(a.pass.nErrors + a.pass.nRedef, 0);
}

TEST_F(PredefinedTest, CpmVariablesAreResetEveryPass) {
  TRec* r = FindSymbol(a, "Veld_cpm_dir_cnt", false);
  DefineValue(a, r, Int(64), false);
  StartPass(2);
  EXPECT_EQ(r->Val.Int(), 512);
  EXPECT_EQ(a.pass.nErrors + a.pass.nRedef, 0);
}

TEST_F(PredefinedTest, OptionsAreNeutralOutsideARun) {
  ClearSymbols(a);  // also the end of a run
  for (int i = 0; i < kOptionCount; ++i) {
    EXPECT_EQ(a.options.Get(static_cast<OptionId>(i)), 0);
    EXPECT_EQ(a.options.record[i], nullptr);
  }
  SetOption(a, zoSupportNext, 1);  // no option symbol: nothing to set
  EXPECT_EQ(a.options.Get(zoSupportNext), 0);
}

TEST_F(PredefinedTest, SetOptionWritesTheSymbol) {
  SetOption(a, zoStrict, 1);
  EXPECT_TRUE(a.options.On(zoStrict));
  EXPECT_EQ(Sym("zoStrict").Val.Int(), 1);
  EXPECT_EQ(a.pass.nErrors, 0);
}

// veldver EQU 77: refused in pass 1, and since every pass start sets 76
// again, no pass ever ends without an error or a redefinition.
TEST_F(PredefinedTest, RedefiningAPredefinedLabelNeverSettles) {
  for (int pass = 1; pass <= 6; ++pass) {
    if (pass > 1) StartPass(pass);
    a.diag.currentLine = 3;
    DefineAddress(a, FindOrCreateSymbol(a, "veldver"), 77);
    EXPECT_GT(a.pass.nErrors + a.pass.nRedef, 0) << "pass " << pass;
    if (pass == 1) {
      EXPECT_EQ(a.pass.nErrors, 1);
    }
  }
}

TEST_F(PredefinedTest, SettingTheSameValuesAgainIsQuiet) {
  StartPass(2);
  StartPass(3);
  EXPECT_EQ(a.pass.nErrors + a.pass.nRedef, 0);
  EXPECT_EQ(a.symbols.storage.size(), 50u);
}

TEST_F(PredefinedTest, LogicPriorityUntouchedUntilTheSourceAssignsIt) {
  EXPECT_TRUE(LogicPriorityUntouched(a));
  // Other options do not count.
  DefineValue(a, FindSymbol(a, "zoStrict", false), Int(1), false);
  EXPECT_TRUE(LogicPriorityUntouched(a));
  // Any define operation reaching the option's record does, even with the
  // default value ("zoLogicOperatorsHighPri = true").
  DefineValue(a, FindSymbol(a, "zoLogicOperatorsHighPri", false), Int(1), false);
  EXPECT_FALSE(LogicPriorityUntouched(a));
  StartPass(2);
  EXPECT_TRUE(LogicPriorityUntouched(a));
  DefineAddress(a, FindSymbol(a, "zoLogicOperatorsHighPri", false), 0);
  EXPECT_FALSE(LogicPriorityUntouched(a));
  EXPECT_FALSE(a.options.On(zoLogicOperatorsHighPri));
}

TEST_F(PredefinedTest, PassStartEmptiesDataBreakpointsAndRadix) {
  a.control.dataBreakpoints.emplace_back();
  a.lex.radixActive = true;
  a.lex.radix = 16;
  StartPass(2);
  EXPECT_TRUE(a.control.dataBreakpoints.empty());
  EXPECT_FALSE(a.lex.radixActive);
  EXPECT_EQ(a.lex.radix, 10);
}

TEST(MachineModel, NamesAndFamilies) {
  EXPECT_EQ(ModelNumberOfName("48K"), 0);
  EXPECT_EQ(ModelNumberOfName("128K"), 2);
  EXPECT_EQ(ModelNumberOfName("2"), 4);
  EXPECT_EQ(ModelNumberOfName("3"), 6);
  EXPECT_EQ(ModelNumberOfName("CPM"), 8);
  EXPECT_EQ(ModelNumberOfName("CP/M"), 8);
  EXPECT_EQ(ModelNumberOfName("NASCOM"), 9);
  EXPECT_EQ(ModelNumberOfName("NASCOM2"), 9);
  EXPECT_EQ(ModelNumberOfName("NAMELESS"), 11);
  EXPECT_EQ(ModelNumberOfName("MEMBERSHIP"), 12);
  EXPECT_EQ(ModelNumberOfName("MEMBERSHIPCARD"), 12);
  EXPECT_EQ(ModelNumberOfName("CPC64"), 13);
  EXPECT_EQ(ModelNumberOfName("CPC"), 14);
  EXPECT_EQ(ModelNumberOfName("CPC128"), 14);
  EXPECT_EQ(ModelNumberOfName("BATTLE"), 15);
  EXPECT_EQ(ModelNumberOfName("POLYP"), 16);
  EXPECT_EQ(ModelNumberOfName("NEXT"), 17);
  EXPECT_EQ(ModelNumberOfName("BASIL"), 18);
  EXPECT_EQ(ModelNumberOfName("NOROM"), -2);
  EXPECT_EQ(ModelNumberOfName("RAW"), -2);
  EXPECT_EQ(ModelNumberOfName("XYZ"), -1);
  EXPECT_EQ(ModelNumberOfName("48k"), -1);  // callers convert to upper case first

  // Every model number belongs to exactly one family.
  for (int m = 0; m <= 18; ++m) {
    uint8_t u = static_cast<uint8_t>(m);
    int families = Is48K(u) + Is128K(u) + IsPlus2(u) + IsPlus3(u) + IsCPM(u) + IsNascom(u) +
                   IsNameless(u) + IsMembership(u) + IsCPC(u) + IsBattle(u) + IsPolyp(u) +
                   IsNext(u) + IsBasil(u);
    EXPECT_EQ(families, 1) << m;
  }
  EXPECT_TRUE(Is48K(1));
  EXPECT_TRUE(Is128K(3));
  EXPECT_TRUE(IsPlus2(5));
  EXPECT_TRUE(IsPlus3(7));
  EXPECT_TRUE(IsNascom(10));
  EXPECT_TRUE(Is128KFamily(7));
  EXPECT_FALSE(Is128KFamily(8));
}

}  // namespace
