// The symbol table: look-up, creation, and the define rules across passes.

#include <gtest/gtest.h>

#include "common/name_hash.h"
#include "test_support.h"

namespace {

class SymbolTableTest : public ::testing::Test {
 protected:
  TestRun t;
  Assembly& a = *t.a;

  void SetUp() override {
    ClearSymbols(a);
    a.pass = PassState{};
    a.pass.pass = 1;
    a.sources.slots[0].ShortName = "main.asm";
    a.sources.slots[1].ShortName = "lib.asm";
    a.diag.currentSource = 0;
    a.diag.currentLine = 1;
    a.diag.lastErrorLine = -1;
  }

  // Statements on new lines, so each may report its own error.
  void NextLine() { ++a.diag.currentLine; }
  void StartPass(int n) {
    a.pass.pass = n;
    a.pass.nErrors = a.pass.nRedef = a.pass.nUndef = 0;
    a.diag.lastErrorLine = -1;
  }
  // Errors print only in the final pass, after pass 1.
  void ShowErrors() {
    a.pass.finalPass = true;
    if (a.pass.pass < 2) a.pass.pass = 2;
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

TEST_F(SymbolTableTest, CreatesRecordsWithTheirOrigin) {
  a.lex.pos.ILine = 12;
  a.lex.pos.cSourceListPos = 1;
  a.diag.currentLine = 11;
  a.pass.pass = 3;
  TRec* r = FindOrCreateSymbol(a, "start");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Name(), "start");
  EXPECT_EQ(r->Line, 12);
  EXPECT_EQ(r->SourceID, 1);
  EXPECT_EQ(r->Mode, T_Undef);
  EXPECT_EQ(r->Val.Sort(), erError);
  EXPECT_EQ(r->LastPass, 3);
  EXPECT_EQ(r->RedefinedLine, 11);
  EXPECT_FALSE(r->Referenced);
  EXPECT_FALSE(r->bInternal);
  EXPECT_EQ(a.symbols.current, r);
  // A second call finds the same record and does not count a reference.
  EXPECT_EQ(FindOrCreateSymbol(a, "start"), r);
  EXPECT_FALSE(r->Referenced);
}

TEST_F(SymbolTableTest, FindCountsReferencesOnlyWhenAsked) {
  TRec* r = FindOrCreateSymbol(a, "x");
  EXPECT_EQ(FindSymbol(a, "x", false), r);
  EXPECT_FALSE(r->Referenced);
  EXPECT_EQ(FindSymbol(a, "x", true), r);
  EXPECT_EQ(FindSymbol(a, "x", true), r);
  EXPECT_TRUE(r->Referenced);
  EXPECT_EQ(FindSymbol(a, "y", true), nullptr);
  EXPECT_EQ(FindSymbol(a, "", false), nullptr);
}

TEST_F(SymbolTableTest, NamesAreCaseSensitive) {
  TRec* upper = FindOrCreateSymbol(a, "Loop");
  TRec* lower = FindOrCreateSymbol(a, "loop");
  EXPECT_NE(upper, lower);
  DefineAddress(a, upper, 1);
  DefineAddress(a, lower, 2);
  EXPECT_EQ(FindSymbol(a, "Loop", false)->Val.Int(), 1);
  EXPECT_EQ(FindSymbol(a, "loop", false)->Val.Int(), 2);
  EXPECT_EQ(FindSymbol(a, "LOOP", false), nullptr);
  EXPECT_EQ(a.pass.nErrors, 0);
}

TEST_F(SymbolTableTest, NamesSharingABucketAreToldApart) {
  // These names land in the same bucket ($446) of the 4096.
  const char* names[] = {"lbl0", "lbl4733", "lbl6058", "lbl14244"};
  for (auto n : names) ASSERT_EQ(NameHash(n) & 0xFFF, 0x446u) << n;
  for (int i = 0; i < 4; ++i) DefineAddress(a, FindOrCreateSymbol(a, names[i]), i * 10);
  for (int i = 0; i < 4; ++i) {
    TRec* r = FindSymbol(a, names[i], false);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Val.Int(), i * 10);
  }
  // A prefix of a stored name is not that name.
  EXPECT_EQ(FindSymbol(a, "lbl", false), nullptr);
}

TEST_F(SymbolTableTest, CreationOrderIsKept) {
  for (auto n : {"c", "a", "b"}) FindOrCreateSymbol(a, n);
  FindOrCreateSymbol(a, "a");
  std::string order;
  for (TRec* r : a.symbols.storage) order += r->Name();
  EXPECT_EQ(order, "cab");
}

TEST_F(SymbolTableTest, RecordsStayPutWhileTheTableGrows) {
  TRec* first = FindOrCreateSymbol(a, "first");
  int32_t* field = &first->Val.Whole().Int;
  for (int i = 0; i < 20000; ++i) FindOrCreateSymbol(a, "n" + std::to_string(i));
  EXPECT_EQ(FindSymbol(a, "first", false), first);
  EXPECT_EQ(&FindSymbol(a, "first", false)->Val.Whole().Int, field);
  EXPECT_EQ(FindSymbol(a, "n19999", false)->Name(), "n19999");
}

// Names are stored with a one-byte length below 255 and a long form above;
// a name longer than a storage block gets a block of its own.
TEST_F(SymbolTableTest, NamesOfEveryLengthAreKept) {
  std::vector<std::string> names;
  for (size_t n : {1, 254, 255, 256, 70000, 2, 300}) names.push_back(std::string(n, 'q') + "x");
  names.push_back(std::string("a.b_c") + std::string(1, '\xE9'));
  std::vector<TRec*> recs;
  for (const auto& n : names) recs.push_back(FindOrCreateSymbol(a, n));
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(FindSymbol(a, names[i], false), recs[i]) << names[i].size();
    EXPECT_EQ(recs[i]->Name(), names[i]) << names[i].size();
  }
  EXPECT_EQ(FindSymbol(a, std::string(255, 'q'), false), nullptr);
}

TEST_F(SymbolTableTest, ClearEmptiesEverything) {
  FindOrCreateSymbol(a, "x");
  ClearSymbols(a);
  EXPECT_EQ(FindSymbol(a, "x", false), nullptr);
  EXPECT_EQ(a.symbols.storage.size(), 0u);
  EXPECT_EQ(a.symbols.current, nullptr);
  // The table is usable again.
  EXPECT_EQ(FindOrCreateSymbol(a, "x")->Mode, T_Undef);
}

// --- Define address -------------------------------------------------------

TEST_F(SymbolTableTest, TwoValuesInOnePassKeepTheFirst) {
  TRec* x = FindOrCreateSymbol(a, "x");
  DefineAddress(a, x, 1);
  EXPECT_EQ(x->Mode, T_Addr);
  EXPECT_EQ(x->LastPass, 1);
  NextLine();
  DefineAddress(a, x, 2);  // still pass 1
  EXPECT_EQ(x->Val.Int(), 1);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(a.pass.nRedef, 0);
  EXPECT_FALSE(x->BeenRedefined);
}

TEST_F(SymbolTableTest, RedefinedLabelMessage) {
  StartPass(2);
  TRec* x = FindOrCreateSymbol(a, "x");
  DefineAddress(a, x, 1);
  a.diag.currentLine = 42;
  ShowErrors();
  DefineAddress(a, x, 2);
  ASSERT_EQ(t.console.err.size(), 1u);
  EXPECT_EQ(t.console.err[0], "main.asm:   42  : error: Label Redefined");
}

TEST_F(SymbolTableTest, SameValueAgainOnlyMarksThePass) {
  TRec* x = FindOrCreateSymbol(a, "x");
  DefineAddress(a, x, 5);
  NextLine();
  DefineAddress(a, x, 5);
  StartPass(2);
  DefineAddress(a, x, 5);
  EXPECT_EQ(x->LastPass, 2);  // defined (unchanged) in this pass
  EXPECT_EQ(a.pass.nErrors + a.pass.nRedef, 0);
  DefineAddress(a, x, 6);  // a second value in the same pass
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(x->Val.Int(), 5);
}

TEST_F(SymbolTableTest, LabelMovingBetweenPassesCountsOneRedefinition) {
  TRec* lbl = FindOrCreateSymbol(a, "target");
  DefineAddress(a, lbl, 0x8003);  // pass 1: a forward reference assumed short
  StartPass(2);
  a.diag.currentLine = 17;
  a.diag.currentSource = 1;
  DefineAddress(a, lbl, 0x8005);  // pass 2: the code before it grew
  EXPECT_EQ(lbl->Val.Int(), 0x8005);
  EXPECT_EQ(lbl->LastPass, 2);
  EXPECT_EQ(a.pass.nRedef, 1);
  EXPECT_EQ(a.pass.nErrors, 0);
  EXPECT_TRUE(lbl->BeenRedefined);
  EXPECT_EQ(lbl->RedefinedLine, 17);
  EXPECT_EQ(lbl->RedefinedSrcListPos, 1);
  StartPass(3);
  DefineAddress(a, lbl, 0x8005);  // pass 3: the address repeats, the loop can end
  EXPECT_EQ(a.pass.nRedef, 0);
  EXPECT_FALSE(lbl->BeenRedefined);
}

TEST_F(SymbolTableTest, DefineAddressByKind) {
  TRec* v = FindOrCreateSymbol(a, "v");
  DefineValue(a, v, Int(1), false);
  DefineAddress(a, v, 2);  // a variable takes any number of values
  NextLine();
  DefineAddress(a, v, 3);
  EXPECT_EQ(v->Mode, T_VarVal);
  EXPECT_EQ(v->Val.Int(), 3);
  EXPECT_EQ(a.pass.nErrors, 0);

  TRec* m = FindOrCreateSymbol(a, "m");
  m->Mode = T_Macro;
  DefineAddress(a, m, 7);  // macros, aliases and functions ignore it
  EXPECT_EQ(m->Mode, T_Macro);
  EXPECT_EQ(a.pass.nErrors, 0);

  TRec* s = FindOrCreateSymbol(a, "s");
  DefineText(a, s, "abc");
  NextLine();
  DefineAddress(a, s, 1);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(s->Val.Str(), "abc");

  TRec* seg = FindOrCreateSymbol(a, "seg");
  seg->Mode = T_Segment;
  NextLine();
  DefineAddress(a, seg, 1);
  EXPECT_EQ(a.pass.nErrors, 2);
}

// --- Define integer variable ----------------------------------------------

TEST_F(SymbolTableTest, IntegerVariableRules) {
  TRec* v = FindOrCreateSymbol(a, "i");
  DefineIntegerVariable(a, v, 4);
  EXPECT_EQ(v->Mode, T_VarVal);
  EXPECT_EQ(v->LastPass, 1);
  NextLine();
  DefineIntegerVariable(a, v, 5);  // a second value in the same pass
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(v->Val.Int(), 4);

  StartPass(2);
  DefineIntegerVariable(a, v, 4);  // equal: only LastPass moves
  EXPECT_EQ(v->LastPass, 2);
  EXPECT_EQ(a.pass.nRedef, 0);

  StartPass(3);
  a.diag.currentLine = 9;
  DefineIntegerVariable(a, v, 6);
  EXPECT_EQ(v->Val.Int(), 6);
  EXPECT_EQ(a.pass.nRedef, 1);
  EXPECT_TRUE(v->BeenRedefined);
  EXPECT_EQ(v->RedefinedLine, 9);

  TRec* sv = FindOrCreateSymbol(a, "sv");
  DefineValue(a, sv, Str("text"), false);
  StartPass(4);
  DefineIntegerVariable(a, sv, 0);  // a different sort is a different value
  EXPECT_EQ(sv->Val.Sort(), erInteger);
  EXPECT_EQ(a.pass.nRedef, 1);

  TRec* lbl = FindOrCreateSymbol(a, "lbl");
  DefineAddress(a, lbl, 1);
  NextLine();
  DefineIntegerVariable(a, lbl, 1);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(lbl->Mode, T_Addr);
}

// --- Define float and text ------------------------------------------------

TEST_F(SymbolTableTest, FloatAndTextConstants) {
  TRec* f = FindOrCreateSymbol(a, "pi");
  DefineFloat(a, f, 3.25L);
  EXPECT_EQ(f->Mode, T_FixedVal);
  EXPECT_EQ(f->Val.Sort(), erFloat);
  EXPECT_EQ(f->Val.Float(), 3.25L);
  DefineFloat(a, f, 1.5L);  // accepted on a constant
  EXPECT_EQ(f->Val.Float(), 1.5L);

  TRec* s = FindOrCreateSymbol(a, "name");
  DefineText(a, s, "abc");
  EXPECT_EQ(s->Mode, T_FixedVal);
  EXPECT_EQ(s->Val.Sort(), erString);
  DefineText(a, s, "xyz");
  EXPECT_EQ(s->Val.Str(), "xyz");
  EXPECT_EQ(a.pass.nErrors, 0);

  TRec* lbl = FindOrCreateSymbol(a, "lbl");
  DefineAddress(a, lbl, 1);
  DefineFloat(a, lbl, 1.0L);
  NextLine();
  DefineText(a, lbl, "x");
  EXPECT_EQ(a.pass.nErrors, 2);
  EXPECT_EQ(lbl->Mode, T_Addr);
  EXPECT_EQ(lbl->Val.Sort(), erInteger);
}

// --- Define value -----------------------------------------------------------

TEST_F(SymbolTableTest, StringConstantMayBeRepeatedButNotChanged) {
  TRec* s = FindOrCreateSymbol(a, "s");
  DefineValue(a, s, Str("abc"), true);
  EXPECT_EQ(s->Mode, T_FixedVal);
  NextLine();
  DefineValue(a, s, Str("abc"), true);
  EXPECT_EQ(a.pass.nErrors, 0);
  NextLine();
  DefineValue(a, s, Str("abd"), true);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(s->Val.Str(), "abc");
  NextLine();
  DefineValue(a, s, Int(0), true);  // another sort is a change too
  EXPECT_EQ(a.pass.nErrors, 2);
  EXPECT_EQ(s->Val.Sort(), erString);
}

TEST_F(SymbolTableTest, FloatConstantComparesItsValue) {
  TRec* f = FindOrCreateSymbol(a, "f");
  DefineValue(a, f, Flt(0.5L), true);
  DefineValue(a, f, Flt(0.5L), true);
  EXPECT_EQ(a.pass.nErrors, 0);
  NextLine();
  DefineValue(a, f, Flt(0.25L), true);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(f->Val.Float(), 0.5L);
}

TEST_F(SymbolTableTest, VariablesMayBeReassigned) {
  TRec* v = FindOrCreateSymbol(a, "v");
  DefineValue(a, v, Int(1), false);
  EXPECT_EQ(v->Mode, T_VarVal);
  DefineValue(a, v, Int(2), false);
  DefineValue(a, v, Str("now a string"), false);
  EXPECT_EQ(v->Val.Str(), "now a string");
  DefineValue(a, v, Flt(2.5L), false);
  EXPECT_EQ(v->Val.Sort(), erFloat);
  EXPECT_EQ(a.pass.nErrors, 0);
  EXPECT_EQ(a.pass.nRedef, 0);
  // A value that is no value is refused.
  TExpRes none;
  none.Sort = erError;
  DefineValue(a, v, none, false);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(v->Val.Sort(), erFloat);
}

TEST_F(SymbolTableTest, DefineValueOnLabelsAndMacrosIsAnError) {
  TRec* lbl = FindOrCreateSymbol(a, "lbl");
  DefineAddress(a, lbl, 1);
  DefineValue(a, lbl, Int(2), false);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(lbl->Val.Int(), 1);
  TRec* m = FindOrCreateSymbol(a, "m");
  m->Mode = T_Macro;
  NextLine();
  DefineValue(a, m, Int(2), true);
  EXPECT_EQ(a.pass.nErrors, 2);
  EXPECT_EQ(m->Mode, T_Macro);
}

// --- Integer of symbol ----------------------------------------------------

TEST_F(SymbolTableTest, IntegerOfSymbolRoundsHalvesToEven) {
  DefineAddress(a, FindOrCreateSymbol(a, "lbl"), -7);
  DefineValue(a, FindOrCreateSymbol(a, "h25"), Flt(2.5L), false);
  DefineValue(a, FindOrCreateSymbol(a, "h35"), Flt(3.5L), true);
  DefineValue(a, FindOrCreateSymbol(a, "m25"), Flt(-2.5L), false);
  DefineValue(a, FindOrCreateSymbol(a, "p26"), Flt(2.6L), false);
  DefineValue(a, FindOrCreateSymbol(a, "s"), Str("12"), false);
  FindOrCreateSymbol(a, "undef");
  EXPECT_EQ(IntegerOfSymbol(a, "lbl", 99), -7);
  EXPECT_EQ(IntegerOfSymbol(a, "h25", 99), 2);
  EXPECT_EQ(IntegerOfSymbol(a, "h35", 99), 4);
  EXPECT_EQ(IntegerOfSymbol(a, "m25", 99), -2);
  EXPECT_EQ(IntegerOfSymbol(a, "p26", 99), 3);
  EXPECT_EQ(IntegerOfSymbol(a, "s", 99), 99);
  EXPECT_EQ(IntegerOfSymbol(a, "undef", 99), 99);
  EXPECT_EQ(IntegerOfSymbol(a, "missing", 99), 99);
  EXPECT_FALSE(FindSymbol(a, "lbl", false)->Referenced);
}

TEST_F(SymbolTableTest, TapeVariantLooksOnlyAtTheSort) {
  TRec* m = FindOrCreateSymbol(a, "m");
  m->Mode = T_Macro;
  m->Val = Int(33);
  TRec* f = FindOrCreateSymbol(a, "f");
  f->Mode = T_Segment;
  f->Val = Flt(4.5L);
  FindOrCreateSymbol(a, "undef");
  EXPECT_EQ(IntegerOfSymbol(a, "m", -1), -1);
  EXPECT_EQ(IntegerOfSymbolAnyKind(a, "m", -1), 33);
  EXPECT_EQ(IntegerOfSymbolAnyKind(a, "f", -1), 4);
  EXPECT_EQ(IntegerOfSymbolAnyKind(a, "undef", -1), -1);
  EXPECT_EQ(IntegerOfSymbolAnyKind(a, "missing", -1), -1);
}

TEST_F(SymbolTableTest, KindDescriptions) {
  EXPECT_EQ(KindDescription(T_Undef, Int(0)), "Undef");
  EXPECT_EQ(KindDescription(T_Addr, Int(0)), "Addr");
  EXPECT_EQ(KindDescription(T_VarVal, Int(0)), "var int");
  EXPECT_EQ(KindDescription(T_VarVal, Str("")), "var str");
  EXPECT_EQ(KindDescription(T_VarVal, Flt(0)), "var float");
  EXPECT_EQ(KindDescription(T_FixedVal, Int(0)), "const int");
  EXPECT_EQ(KindDescription(T_FixedVal, Str("")), "const str");
  EXPECT_EQ(KindDescription(T_FixedVal, Flt(0)), "const float");
  TExpRes none;
  none.Sort = erError;
  EXPECT_EQ(KindDescription(T_VarVal, none), "undef");
  EXPECT_EQ(KindDescription(T_FixedVal, none), "undef");
  EXPECT_EQ(KindDescription(T_Macro, none), "Macro");
  EXPECT_EQ(KindDescription(T_Function, none), "Function");
  EXPECT_EQ(KindDescription(T_Segment, none), "Segment");
  EXPECT_EQ(KindDescription(T_Alias, none), "");
}

// --- Listings ---------------------------------------------------------------

TEST_F(SymbolTableTest, RedefinitionListing) {
  TRec* keep = FindOrCreateSymbol(a, "steady");
  TRec* start = FindOrCreateSymbol(a, "start");
  TRec* other = FindOrCreateSymbol(a, "other");
  DefineAddress(a, keep, 1);
  DefineAddress(a, start, 1);
  DefineAddress(a, other, 1);
  StartPass(2);
  a.diag.currentLine = 17;
  DefineAddress(a, start, 2);
  a.diag.currentLine = 123456;
  a.diag.currentSource = 1;
  DefineAddress(a, other, 2);
  PrintRedefinitionListing(a);
  ASSERT_EQ(t.console.err.size(), 2u);
  EXPECT_EQ(t.console.err[0], "\"main.asm\":   17 : Symbol redefined: start");
  EXPECT_EQ(t.console.err[1], "\"lib.asm\":123456 : Symbol redefined: other");
  EXPECT_TRUE(t.console.out.empty());
}

TEST_F(SymbolTableTest, UndefinedListing) {
  a.lex.pos.ILine = 3;
  a.lex.pos.cSourceListPos = 0;
  FindOrCreateSymbol(a, "missing");
  a.lex.pos.ILine = 8;
  a.lex.pos.cSourceListPos = 1;
  DefineAddress(a, FindOrCreateSymbol(a, "defined"), 0);
  FindOrCreateSymbol(a, "alsoMissing");
  PrintUndefinedListing(a);
  ASSERT_EQ(t.console.err.size(), 2u);
  EXPECT_EQ(t.console.err[0], "main.asm:    3  : Label missing is undefined");
  EXPECT_EQ(t.console.err[1], "lib.asm:    8  : Label alsoMissing is undefined");
}

}  // namespace
