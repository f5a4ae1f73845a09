// What the pass driver reads from symbols after the final pass: register
// presets for snapshots, the 128K SNA vector flag and the CP/M settings.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class PresetsTest : public ::testing::Test {
 protected:
  TestRun t;
  Assembly& a = *t.a;

  void SetUp() override {
    ClearSymbols(a);
    a.pass = PassState{};
    a.pass.pass = 1;
    a.machine.defaultStartPC = 0;
    a.machine.defaultStartSP = 0xFF40;
    DefinePredefinedSymbols(a);
  }
  TRec* Label(const char* name, int32_t v) {
    TRec* r = FindOrCreateSymbol(a, name);
    DefineAddress(a, r, v);
    return r;
  }
  TRec* Var(const char* name, TExpRes v) {
    TRec* r = FindOrCreateSymbol(a, name);
    DefineValue(a, r, v, false);
    return r;
  }
  TExpRes Int(int32_t v) {
    TExpRes r;
    r.Sort = erInteger;
    r.Int = v;
    return r;
  }
  TExpRes Str(const std::string& s) {
    TExpRes r;
    r.Sort = erString;
    r.Str = s;
    return r;
  }
  TExpRes Flt(long double f) {
    TExpRes r;
    r.Sort = erFloat;
    r.Float = f;
    return r;
  }
};

TEST_F(PresetsTest, NothingPresetLeavesTheDefaults) {
  ApplyRegisterPresets(a);
  for (const auto& p : a.pass.presets) EXPECT_FALSE(p.set);
  EXPECT_EQ(a.cpu.PC, 0);
  EXPECT_EQ(a.cpu.SP, 0xFF40);
  EXPECT_EQ(a.cpu.AF, 0);
  EXPECT_EQ(a.cpu.P1FFD, -1);
  EXPECT_EQ(a.cpu.P7FFD, -1);
  EXPECT_EQ(a.cpu.PDFFD, -1);
  // A start PC of 0 leaves interrupts off.
  EXPECT_FALSE(a.cpu.IFF1);
  EXPECT_FALSE(a.cpu.IFF2);
  EXPECT_FALSE(a.cpu.onlyUse128KSNAVector);
}

TEST_F(PresetsTest, FirstNameFormWins) {
  TRec* underscore = Label("VELD_PC", 0x8000);
  TRec* plain = Label("VeldPC", 0x9000);
  ApplyRegisterPresets(a);
  EXPECT_EQ(a.machine.defaultStartPC, 0x9000);  // "Veld" + X comes before "VELD_" + X
  EXPECT_TRUE(plain->Referenced);
  EXPECT_FALSE(underscore->Referenced);

  TRec* first = Label("Veld_PC", 0x7000);
  ApplyRegisterPresets(a);
  EXPECT_EQ(a.cpu.PC, 0x7000);
  EXPECT_TRUE(first->Referenced);
  EXPECT_TRUE(plain->Referenced);
}

TEST_F(PresetsTest, EveryNameFormIsRecognised) {
  Label("VELDBC", 0x0102);
  Label("veldde", 0x0304);
  Label("veld_hl", 0x0506);
  Label("VeldEmulate_IX", 0x0708);
  Label("VeldEmulateIY", 0x090A);
  Label("veldaltaf", 0x0B0C);  // lower case of "veld" + "AltAF"
  Label("VELD_MEMPTR", 0x1234);
  Label("Veld_I", 0x3F);
  Label("Veld_R", 0x1FF);
  Label("Veld_IM", 2);
  ApplyRegisterPresets(a);
  EXPECT_EQ(a.cpu.BC, 0x0102);
  EXPECT_EQ(a.cpu.DE, 0x0304);
  EXPECT_EQ(a.cpu.HL, 0x0506);
  EXPECT_EQ(a.cpu.IX, 0x0708);
  EXPECT_EQ(a.cpu.IY, 0x090A);
  EXPECT_EQ(a.cpu.AltAF, 0x0B0C);
  EXPECT_EQ(a.cpu.MEMPTR, 0x1234);
  EXPECT_EQ(a.cpu.I, 0x3F);
  EXPECT_EQ(a.cpu.R, 0xFF);
  EXPECT_EQ(a.cpu.IM, 2);
  EXPECT_TRUE(a.pass.presets[rBC].set);
  EXPECT_EQ(a.pass.presets[rR].value, 0x1FF);
}

TEST_F(PresetsTest, HalvesWinOverPairs) {
  Label("VeldEmulate_AF", 0x1234);
  Label("VeldEmulate_A", 0x56);
  Label("Veld_HL", 0xAAAA);
  Label("Veld_L", 0x01);
  Label("Veld_H", 0x02);
  Label("Veld_AltBC", 0x1111);
  Label("Veld_AltC", 0x99);
  Label("Veld_AltF", 0x77);
  Label("Veld_D", 0x44);
  ApplyRegisterPresets(a);
  EXPECT_EQ(a.cpu.AF, 0x5634);
  EXPECT_EQ(a.cpu.HL, 0x0201);
  EXPECT_EQ(a.cpu.AltBC, 0x1199);
  EXPECT_EQ(a.cpu.AltAF, 0x0077);
  EXPECT_EQ(a.cpu.DE, 0x4400);
}

TEST_F(PresetsTest, ValueIsTheStoredIntegerWhateverTheKind) {
  Var("VeldEmulate_SP", Int(0x8000));
  Var("Veld_BC", Str("text"));  // a string's integer field is what it is: 0
  ApplyRegisterPresets(a);
  EXPECT_EQ(a.machine.defaultStartSP, 0x8000);
  EXPECT_EQ(a.cpu.SP, 0x8000);
  EXPECT_TRUE(a.pass.presets[rBC].set);
  EXPECT_EQ(a.cpu.BC, 0);
}

TEST_F(PresetsTest, PagingPorts) {
  Label("Veld_P7FFD", 0x10);
  Label("VELD_PDFFD", 0);
  ApplyRegisterPresets(a);
  EXPECT_EQ(a.cpu.P7FFD, 0x10);
  EXPECT_EQ(a.cpu.PDFFD, 0);
  EXPECT_EQ(a.cpu.P1FFD, -1);
}

TEST_F(PresetsTest, InterruptsFollowTheStartAddress) {
  a.machine.defaultStartPC = 0x8000;  // left by END or an output directive
  ApplyRegisterPresets(a);
  EXPECT_TRUE(a.cpu.IFF1);
  EXPECT_TRUE(a.cpu.IFF2);
  EXPECT_EQ(a.cpu.PC, 0x8000);

  Label("Veld_PC", 0);  // a PC preset of 0 replaces it
  ApplyRegisterPresets(a);
  EXPECT_FALSE(a.cpu.IFF1);

  Label("Veld_IE", 1);  // and IE overrides both ways
  ApplyRegisterPresets(a);
  EXPECT_TRUE(a.cpu.IFF1);
  EXPECT_TRUE(a.cpu.IFF2);
}

TEST_F(PresetsTest, InterruptPresetCanDisable) {
  Label("Veld_PC", 0x6000);
  Label("Veld_IE", 0);
  ApplyRegisterPresets(a);
  EXPECT_FALSE(a.cpu.IFF1);
  EXPECT_FALSE(a.cpu.IFF2);
  EXPECT_EQ(a.cpu.PC, 0x6000);
}

TEST_F(PresetsTest, A32IsLookedUpButSetsNothing) {
  TRec* r = Label("Veld_A32", 0x12345678);
  ApplyRegisterPresets(a);
  EXPECT_TRUE(r->Referenced);
  EXPECT_EQ(a.cpu.AF, 0);
  EXPECT_EQ(a.cpu.BC, 0);
}

TEST_F(PresetsTest, SnaVectorFlag) {
  struct Case {
    TExpRes v;
    bool expected;
  } cases[] = {{Int(1), true},  {Int(0), false},  {Flt(0.5L), true},
               {Flt(0), false}, {Str("y"), true}, {Str(""), false}};
  for (const auto& c : cases) {
    ClearSymbols(a);
    DefinePredefinedSymbols(a);
    Var("bOnlyUse128KSNAVector", c.v);
    ApplyRegisterPresets(a);
    EXPECT_EQ(a.cpu.onlyUse128KSNAVector, c.expected);
  }
  // An integer constant (EQU) counts as a constant too.
  ClearSymbols(a);
  DefinePredefinedSymbols(a);
  Label("bOnlyUse128KSNAVector", 1);
  ApplyRegisterPresets(a);
  EXPECT_TRUE(a.cpu.onlyUse128KSNAVector);
  // A name that is only referenced is not defined.
  ClearSymbols(a);
  DefinePredefinedSymbols(a);
  FindOrCreateSymbol(a, "bOnlyUse128KSNAVector")->Val = Int(1);
  ApplyRegisterPresets(a);
  EXPECT_FALSE(a.cpu.onlyUse128KSNAVector);
}

TEST_F(PresetsTest, CpmSettingsDefaults) {
  ReadCpmSettings(a);
  EXPECT_EQ(a.cpm.secPerTrack, 128);
  EXPECT_EQ(a.cpm.secPerBlock, 32);
  EXPECT_EQ(a.cpm.blocksPerDisk, 2048);
  EXPECT_EQ(a.cpm.dirCnt, 512);
  EXPECT_EQ(a.cpm.resTracks0, 1);
  EXPECT_EQ(a.cpm.resTracksX, 0);
  EXPECT_EQ(a.cpm.diskCnt, 8);
  EXPECT_FALSE(a.cpm.haveDrives);
}

TEST_F(PresetsTest, CpmSettingsFromTheSource) {
  Var("Veld_cpm_drives", Str("A:disk.img"));
  Var("Veld_cpm_sec_per_track", Int(26));
  Var("Veld_cpm_dir_cnt", Flt(63.5L));    // rounded, half to even
  Var("Veld_cpm_disk_cnt", Str("four"));  // neither integer nor float
  ReadCpmSettings(a);
  EXPECT_TRUE(a.cpm.haveDrives);
  EXPECT_EQ(a.cpm.drives, "A:disk.img");
  EXPECT_EQ(a.cpm.secPerTrack, 26);
  EXPECT_EQ(a.cpm.dirCnt, 64);
  EXPECT_EQ(a.cpm.diskCnt, 8);
  // A later run without the symbol forgets the drives.
  ClearSymbols(a);
  DefinePredefinedSymbols(a);
  ReadCpmSettings(a);
  EXPECT_FALSE(a.cpm.haveDrives);
  EXPECT_EQ(a.cpm.drives, "");
}

TEST_F(PresetsTest, CpmDrivesMustBeAString) {
  Label("Veld_cpm_drives", 1);
  ReadCpmSettings(a);
  EXPECT_FALSE(a.cpm.haveDrives);
}

}  // namespace
