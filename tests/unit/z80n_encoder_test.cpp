// The Z80N (ZX Spectrum Next) instructions: every form with boundary operand
// values, the gate that admits them, operand labels, flow, the emulator's
// debugging instructions and the emulator command block. Expected bytes are
// taken from the Z80N opcode tables by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "z80_test_support.h"

namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

const std::string kNext = " zoSupportNext = 1\n";

void ExpectNextBytes(const Cases& cases) {
  for (const auto& [src, hex] : cases) EXPECT_EQ(Z80Hex(kNext + src), hex) << src;
}

// Each source fails on its last line with the given error.
void ExpectError(const Cases& cases) {
  for (const auto& [src, text] : cases) {
    int line = 2;  // the body starts on line 2, after the ORG
    for (char ch : src) line += ch == '\n';
    char loc[32];
    std::snprintf(loc, sizeof loc, "main.asm:%5d  : error: ", line);
    EXPECT_EQ(Z80Error(src), loc + text) << src;
  }
}

void ExpectNextError(const Cases& cases) {
  Cases withGate;
  for (const auto& [src, text] : cases) withGate.emplace_back(kNext + src, text);
  ExpectError(withGate);
}

// One statement of every Z80N form, each with its bytes.
const Cases kEveryForm = {
    {" LDIX", "ED A4"},
    {" LDWS", "ED A5"},
    {" LDIRX", "ED B4"},
    {" LDDX", "ED AC"},
    {" LDDRX", "ED BC"},
    {" LDPIRX", "ED B7"},
    {" LDIRSCALE", "ED B6"},
    {" OUTINB", "ED 90"},
    {" PIXELDN", "ED 93"},
    {" PIXELAD", "ED 94"},
    {" SETAE", "ED 95"},
    {" SWAPNIB", "ED 23"},
    {" MIRROR A", "ED 24"},
    {" TEST 1", "ED 27 01"},
    {" MUL D,E", "ED 30"},
    {" MUL E,D", "ED 30"},
    {" MUL", "ED 30"},
    {" BSLA DE,B", "ED 28"},
    {" BSLA", "ED 28"},
    {" BSRA DE,B", "ED 29"},
    {" BSRA", "ED 29"},
    {" BSRL DE,B", "ED 2A"},
    {" BSRL", "ED 2A"},
    {" BSRF DE,B", "ED 2B"},
    {" BSRF", "ED 2B"},
    {" BRLC DE,B", "ED 2C"},
    {" BRLC", "ED 2C"},
    {" NEXTREG 7,A", "ED 92 07"},
    {" NEXTREG 7,3", "ED 91 07 03"},
    {" PUSH $1234", "ED 8A 12 34"},
    {" ADD HL,A", "ED 31"},
    {" ADD DE,A", "ED 32"},
    {" ADD BC,A", "ED 33"},
    {" ADD HL,$1234", "ED 34 34 12"},
    {" ADD DE,$1234", "ED 35 34 12"},
    {" ADD BC,$1234", "ED 36 34 12"},
    {" JP (C)", "ED 98"},
};

TEST(Z80N, EveryFormPlantsItsTableBytes) {
  ExpectNextBytes(kEveryForm);
  ExpectNextBytes({
      {" ldix\n swapnib\n mirror a\n mul d,e\n bsla de,b\n nextreg 7,a\n jp (c)",
       "ED A4 ED 23 ED 24 ED 30 ED 28 ED 92 07 ED 98"},
  });
}

TEST(Z80N, OperandBoundaries) {
  ExpectNextBytes({
      {" TEST 0\n TEST 255\n TEST -128\n TEST -1", "ED 27 00 ED 27 FF ED 27 80 ED 27 FF"},
      {" NEXTREG 0,A\n NEXTREG 255,A\n NEXTREG -128,A", "ED 92 00 ED 92 FF ED 92 80"},
      {" NEXTREG 0,0\n NEXTREG 255,255\n NEXTREG -128,-128\n NEXTREG $7F,-1",
       "ED 91 00 00 ED 91 FF FF ED 91 80 80 ED 91 7F FF"},
      {" NEXTREG (1)+1,(2)+1", "ED 91 02 03"},  // expressions that begin with "("
      // High byte first, unlike every other 16-bit operand.
      {" PUSH 0\n PUSH $FFFF\n PUSH -32768\n PUSH -1\n PUSH $00FF",
       "ED 8A 00 00 ED 8A FF FF ED 8A 80 00 ED 8A FF FF ED 8A 00 FF"},
      {" ADD HL,0\n ADD DE,65535\n ADD BC,-32768\n ADD HL,(1)+1",
       "ED 34 00 00 ED 35 FF FF ED 36 00 80 ED 34 02 00"},
  });
}

TEST(Z80N, PushListsMixRegistersAndImmediates) {
  ExpectNextBytes({
      {" PUSH BC,$1234,DE", "C5 ED 8A 12 34 D5"},
      {" PUSH 1,2", "ED 8A 00 01 ED 8A 00 02"},
      {" PUSH $ABCD,IX,AF", "ED 8A AB CD DD E5 F5"},
      {" POP BC,DE", "C1 D1"},
  });
  ExpectNextError({
      {" PUSH BC,", "Syntax Error"},
      {" PUSH", "Syntax Error"},
      {" POP $1234", "Syntax Error"},
  });
}

TEST(Z80N, RefusedForms) {
  ExpectNextError({
      {" MIRROR", "Syntax Error"},         {" MIRROR B", "Syntax Error"},
      {" MIRROR (HL)", "Syntax Error"},    {" MIRROR A,A", "Syntax Error"},
      {" TEST", "Syntax Error"},           {" TEST A", "Syntax Error"},
      {" TEST (HL)", "Syntax Error"},      {" TEST 256", "Range Error"},
      {" TEST -129", "Range Error"},       {" MUL B,C", "Syntax Error"},
      {" MUL D,D", "Syntax Error"},        {" MUL D", "Syntax Error"},
      {" MUL DE", "Syntax Error"},         {" MUL D,E,", "Syntax Error"},
      {" BSLA HL,B", "Syntax Error"},      {" BSRA DE", "Syntax Error"},
      {" BSRL DE,C", "Syntax Error"},      {" BRLC B", "Syntax Error"},
      {" NEXTREG", "Syntax Error"},        {" NEXTREG 7", "Syntax Error"},
      {" NEXTREG 7,", "Syntax Error"},     {" NEXTREG 7 A", "Syntax Error"},
      {" NEXTREG A,7", "Syntax Error"},    {" NEXTREG 7,B", "Syntax Error"},
      {" NEXTREG (HL),7", "Syntax Error"}, {" NEXTREG 256,0", "Range Error"},
      {" NEXTREG 7,256", "Range Error"},   {" NEXTREG 7,-129", "Range Error"},
      {" PUSH 65536", "Range Error"},      {" PUSH -32769", "Range Error"},
      {" ADD HL,65536", "Range Error"},    {" ADD IX,A", "Syntax Error"},
      {" ADD SP,A", "Syntax Error"},       {" ADC HL,A", "Syntax Error"},
      {" SBC DE,A", "Syntax Error"},       {" ADC DE,1", "Syntax Error"},
      {" JP (B)", "Syntax Error"},         {" LDIX 1", "Syntax Error"},
      {" SWAPNIB A", "Syntax Error"},
  });
}

TEST(Z80N, GateIsReadForEveryStatement) {
  // A 48K source knows none of them; the option opens the gate from its own
  // line on; STRICT closes it again, EXTENDED reopens it.
  for (const auto& [src, hex] : kEveryForm) {
    ExpectError({{src, "Syntax Error"}});
    ExpectError({{" STRICT\n zoSupportNext = 1\n" + src, "Syntax Error"}});
    ExpectError({{kNext + " STRICT\n" + src, "Syntax Error"}});
    EXPECT_EQ(Z80Hex(kNext + " STRICT\n EXTENDED\n" + src), hex) << src;
    EXPECT_EQ(Z80Hex(" EMULATE_SPECTRUM \"NEXT\"\n" + src), hex) << src;
  }
  ExpectError(
      {{" EMULATE_SPECTRUM \"NEXT\"\n LDIX\n EMULATE_SPECTRUM \"48K\"\n LDIX", "Syntax Error"}});
  Z80Run before(" LDIX\n zoSupportNext = 1\n LDIX");
  EXPECT_EQ(before.Err().substr(0, before.Err().find('\n')),
            "main.asm:    2  : error: Syntax Error");
  EXPECT_NE(before.Err().find("nErrors = 1 "), std::string::npos);
  EXPECT_EQ(Z80Hex(kNext + " LDIX\n zoSupportNext = 0\n NOP\n zoSupportNext = 1\n LDWS"),
            "ED A4 00 ED A5");
  // With the gate closed nothing of the statement is planted; what came
  // before it on the line stays, and the rest of the line is skipped.
  EXPECT_EQ(Z80Run(" NOP : LDIX : NOP : NOP").PC(), 0x8001);
  EXPECT_EQ(Z80Run(" NOP : NEXTREG 7,A : NOP").PC(), 0x8001);
  EXPECT_EQ(Z80Run(" NOP : PUSH BC,$1234,DE").PC(), 0x8002);
  // The gate is checked before the operands: no other complaint comes first.
  ExpectError({{" TEST undefined_name", "Syntax Error"}, {" NEXTREG 300,1", "Syntax Error"}});
}

TEST(Z80N, OperandLabelsNameTheirBytesAndMakeThemWritable) {
  Z80Run run(kNext +
             " NEXTREG [reg1]7,[val1]3\n NEXTREG [reg2]8,A\n TEST [msk]$F0\n"
             " ADD DE,[incr]$1234\n PUSH [imm]$5678\n"
             " LD HL,reg1\n LD HL,val1\n LD HL,reg2\n LD HL,msk\n LD HL,incr\n LD HL,imm");
  EXPECT_EQ(run.Hex(),
            "ED 91 07 03 ED 92 08 ED 27 F0 ED 35 34 12 ED 8A 56 78 "
            "21 02 80 21 03 80 21 06 80 21 09 80 21 0C 80 21 10 80");
  const std::vector<int> writable = {0x8002, 0x8003, 0x8006, 0x8009,
                                     0x800C, 0x800D, 0x8010, 0x8011};
  for (int addr = 0x8000; addr < 0x8012; ++addr) {
    bool want = std::find(writable.begin(), writable.end(), addr) != writable.end();
    EXPECT_EQ(run.Cell(addr).Write, want) << std::hex << addr;
    EXPECT_TRUE(run.Cell(addr).Execute) << std::hex << addr;
  }
  // Only the big-endian push warns about its label.
  EXPECT_EQ(run.Warnings(),
            "main.asm:    7  : warning: Note that the Next ridiculously uses big endian data for "
            "this instruction!\n");
  // Unlabelled operands are read-only like the rest of the instruction.
  Z80Run plain(kNext + " NEXTREG 7,3\n PUSH 1\n ADD HL,2");
  for (int addr = 0x8000; addr < 0x800C; ++addr) EXPECT_FALSE(plain.Cell(addr).Write);
  EXPECT_EQ(plain.Warnings(), "");
}

TEST(Z80N, OnlyJpCStopsTheFlow) {
  const std::string warn = " this creates data or space that could be executed.";
  auto warned = [&](const std::string& body) {
    Z80Run run(kNext + body + "\n DB 0");
    return run.Warnings().find(warn) != std::string::npos;
  };
  EXPECT_FALSE(warned(" JP (C)"));
  for (const auto& [src, hex] : kEveryForm) {
    if (src == " JP (C)") continue;
    EXPECT_TRUE(warned(src)) << src;
  }
  EXPECT_TRUE(warned(" zoDebug = 1\n DBGBREAK"));
}

TEST(Z80N, DebuggingInstructionsNeedZoDebug) {
  // Without zoDebug they are dropped silently, gate or no gate.
  EXPECT_EQ(Z80Hex(" NOP\n DBGBREAK\n DBGEXIT\n dbgbreak\n NOP"), "00 00");
  EXPECT_EQ(Z80Run(" DBGBREAK\n DBGEXIT").PC(), 0x8000);
  EXPECT_EQ(Z80Hex(kNext + " zoDebug = 1\n DBGBREAK\n DBGEXIT"), "DD 01 DD 00");
  EXPECT_EQ(Z80Hex(kNext + " zoDebug = 1\n DBGBREAK\n zoDebug = 0\n DBGEXIT\n NOP"), "DD 01 00");
  ExpectError({
      {" zoDebug = 1\n DBGBREAK", "Syntax Error"},
      {kNext + " zoDebug = 1\n STRICT\n DBGEXIT", "Syntax Error"},
      {kNext + " zoDebug = 1\n DBGBREAK 1", "Syntax Error"},
  });
}

TEST(Z80N, EmulatorCommandBlockJumpsOverItself) {
  // $DD $C3, the address after the block, then the list as DB. No gate.
  EXPECT_EQ(Z80Hex(" zoDebug = 1\n VELDEMUCMD \"x\""), "DD C3 05 80 78");
  EXPECT_EQ(Z80Hex(" zoDebug = 1\n STRICT\n VELDEMUCMD \"x\""), "DD C3 05 80 78");
  EXPECT_EQ(Z80Hex(" zoDebug = 1\n NOP\n VELDEMUCMD \"ab\",0,DW $1234\n NOP"),
            "00 DD C3 0A 80 61 62 00 34 12 00");
  EXPECT_EQ(Z80Hex(" zoDebug = 1\n VELDEMUCMD fwd-$8000,-1\nfwd: NOP"), "DD C3 06 80 06 FF 00");
  // Data bytes, read-only unless zoConstData is 0.
  Z80Run constant(" zoDebug = 1\n VELDEMUCMD 1");
  Z80Run variable(" zoDebug = 1\n zoConstData = 0\n VELDEMUCMD 1");
  for (int addr = 0x8000; addr < 0x8005; ++addr) {
    EXPECT_FALSE(constant.Cell(addr).Execute);
    EXPECT_FALSE(constant.Cell(addr).Write);
    EXPECT_TRUE(variable.Cell(addr).Write);
  }
  // A label on the statement names the $DD.
  EXPECT_EQ(Z80Hex(" zoDebug = 1\n NOP\ncmd: VELDEMUCMD 1\n LD HL,cmd"),
            "00 DD C3 06 80 01 21 01 80");
}

TEST(Z80N, EmulatorCommandBlockIsWithdrawnWithoutZoDebug) {
  EXPECT_EQ(Z80Hex(" VELDEMUCMD \"x\"\n NOP"), "00");
  EXPECT_EQ(Z80Hex(" NOP\n VELDEMUCMD \"abc\",DS 3\n LD A,1"), "00 3E 01");
  // Nothing of it is left in the image, even where no later statement
  // overwrites it, and what was there before it stays.
  Z80Run last(" NOP\n VELDEMUCMD \"abc\"");
  EXPECT_EQ(last.Hex(), "00");
  EXPECT_FALSE(last.Cell(0x8002).Used);
  EXPECT_EQ(last.PC(), 0x8001);
  Z80Run over(" LD BC,$1234\n LD DE,$5678\n ORG $8001\n VELDEMUCMD 1,2,DEFV 4");
  EXPECT_EQ(over.Hex(), "01 34 12 11 78 56");
  EXPECT_TRUE(over.Cell(0x8006).Read);
  // Errors in the list still count.
  ExpectError({{" VELDEMUCMD 1,", "Syntax Error"}, {" VELDEMUCMD", "Syntax Error"}});
}

TEST(Z80N, EmulatorCommandBlockKeepsTheFlowAroundIt) {
  const std::string warn = " this creates data or space that could be executed.";
  auto warnings = [&](const std::string& body) {
    std::string w = Z80Run(body).Warnings();
    int n = 0;
    for (size_t p = w.find(warn); p != std::string::npos; p = w.find(warn, p + 1)) ++n;
    return n;
  };
  for (const char* debug : {" zoDebug = 1\n", " zoDebug = 0\n"}) {
    // The block itself never warns: a processor running into it jumps over it.
    EXPECT_EQ(warnings(std::string(debug) + " NOP\n VELDEMUCMD 1\n NOP"), 0) << debug;
    // What runs on after it is what ran into it.
    EXPECT_EQ(warnings(std::string(debug) + " NOP\n VELDEMUCMD 1\n DB 0"), 1) << debug;
    EXPECT_EQ(warnings(std::string(debug) + " RET\n VELDEMUCMD 1\n DB 0"), 0) << debug;
  }
}

}  // namespace
