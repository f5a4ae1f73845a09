// The Z80 encoder: each family's forms, the short and composite forms with
// the options that govern them, chained loads, LM, operand labels, flow and
// the errors. Expected bytes come from the Z80 opcode tables.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "z80_test_support.h"

namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

void ExpectBytes(const Cases& cases) {
  for (const auto& [src, hex] : cases) EXPECT_EQ(Z80Hex(src), hex) << src;
}

std::string ErrorAt(int line, const std::string& text) {
  char loc[32];
  std::snprintf(loc, sizeof loc, "main.asm:%5d  : error: ", line);
  return loc + text;
}

void ExpectError(const Cases& cases) {
  for (const auto& [src, text] : cases) {
    int line = 2;  // the body starts on line 2, after the ORG
    for (char ch : src) line += ch == '\n';
    EXPECT_EQ(Z80Error(src), ErrorAt(line, text)) << src;
  }
}

TEST(Z80Fixed, OneByteAndEDPageOpcodes) {
  ExpectBytes({
      {" CCF\n CPL\n DAA\n DI\n EI\n EXX\n HALT\n NOP\n RLA\n RLCA\n RRA\n RRCA\n SCF",
       "3F 2F 27 F3 FB D9 76 00 17 07 1F 0F 37"},
      {" CPD\n CPDR\n CPI\n CPIR\n IND\n INDR\n INI\n INIR\n LDD\n LDDR\n LDI\n LDIR",
       "ED A9 ED B9 ED A1 ED B1 ED AA ED BA ED A2 ED B2 ED A8 ED B8 ED A0 ED B0"},
      {" NEG\n OTDR\n OTIR\n OUTD\n OUTI\n RLD\n RRD\n RETI\n RETN",
       "ED 44 ED BB ED B3 ED AB ED A3 ED 6F ED 67 ED 4D ED 45"},
      {" nop\n ldir", "00 ED B0"},
  });
}

TEST(Z80Logic, RegistersIndirectIndexedAndImmediates) {
  ExpectBytes({
      {" SUB B", "90"},
      {" SUB A,B", "90"},
      {" AND A", "A7"},
      {" XOR (HL)", "AE"},
      {" OR (IX+5)", "DD B6 05"},
      {" CP (IY-1)", "FD BE FF"},
      {" AND IXH", "DD A4"},
      {" XOR IYL", "FD AD"},
      {" EOR 1", "EE 01"},
      {" CP 255", "FE FF"},
      {" SUB -128", "D6 80"},
      {" OR A,(HL)", "B6"},
      {" AND (2)+1", "E6 03"},  // a parenthesised expression, not an address
  });
  ExpectError({
      {" STRICT\n SUB A,B", "Syntax Error"},
      {" STRICT\n AND IXH", "Syntax Error"},
      {" AND 256", "Range Error"},
      {" AND -129", "Range Error"},
      {" AND I", "Syntax Error"},
      {" CP (BC)", "Syntax Error"},
  });
}

TEST(Z80Arith, EightBitFormsAndShortForms) {
  ExpectBytes({
      {" ADD A,B", "80"},
      {" ADD B", "80"},
      {" ADC A,(HL)", "8E"},
      {" ADC (HL)", "8E"},
      {" SBC A,(IX+2)", "DD 9E 02"},
      {" SBC (IY-2)", "FD 9E FE"},
      {" ADD 5", "C6 05"},
      {" ADD A,5", "C6 05"},
      {" ADC A,$FF", "CE FF"},
      {" SBC A,0", "DE 00"},
      {" SBC A", "9F"},
      {" ADD A", "87"},
      {" ADC A,IXL", "DD 8D"},
      {" ADD IYH", "FD 84"},
  });
  ExpectError({
      {" STRICT\n ADD B", "Syntax Error"},
      {" STRICT\n ADD A", "Syntax Error"},
      {" STRICT\n ADC 5", "Syntax Error"},
      {" ADD A,R", "Syntax Error"},
  });
  EXPECT_EQ(Z80Hex(" STRICT\n ADD A,B\n ADC A,(HL)\n SBC A,3"), "80 8E DE 03");
}

TEST(Z80Arith, SixteenBitForms) {
  ExpectBytes({
      {" ADD HL,BC\n ADD HL,DE\n ADD HL,HL\n ADD HL,SP", "09 19 29 39"},
      {" ADC HL,BC\n ADC HL,DE\n ADC HL,HL\n ADC HL,SP", "ED 4A ED 5A ED 6A ED 7A"},
      {" SBC HL,BC\n SBC HL,DE\n SBC HL,HL\n SBC HL,SP", "ED 42 ED 52 ED 62 ED 72"},
      {" ADD IX,BC\n ADD IX,DE\n ADD IX,IX\n ADD IX,SP", "DD 09 DD 19 DD 29 DD 39"},
      {" ADD IY,BC\n ADD IY,DE\n ADD IY,IY\n ADD IY,SP", "FD 09 FD 19 FD 29 FD 39"},
  });
  ExpectError({
      {" ADD IX,HL", "Syntax Error"},
      {" ADD HL,IX", "Syntax Error"},
      {" ADD IX,IY", "Syntax Error"},
      {" ADC IX,BC", "Syntax Error"},
      {" SBC IY,DE", "Syntax Error"},
      {" ADD HL,AF", "Syntax Error"},
      {" ADD HL", "Syntax Error"},
      {" ADD HL,A", "Syntax Error"},  // Z80N only
      {" ADD BC,$1234", "Syntax Error"},
  });
}

TEST(Z80Arith, NextAddFormsBehindTheGate) {
  ExpectBytes({
      {" zoSupportNext = 1\n ADD HL,A\n ADD DE,A\n ADD BC,A", "ED 31 ED 32 ED 33"},
      {" zoSupportNext = 1\n ADD HL,$1234\n ADD DE,-1\n ADD BC,0",
       "ED 34 34 12 ED 35 FF FF ED 36 00 00"},
  });
  ExpectError({
      {" zoSupportNext = 1\n ADC HL,A", "Syntax Error"},
      {" zoSupportNext = 1\n STRICT\n ADD HL,A", "Syntax Error"},
      {" zoSupportNext = 1\n ADD HL,65536", "Range Error"},
  });
}

TEST(Z80IncDec, RegistersPairsAndIndirects) {
  ExpectBytes({
      {" INC A\n INC B\n INC C\n INC D\n INC E\n INC H\n INC L\n INC (HL)",
       "3C 04 0C 14 1C 24 2C 34"},
      {" INC BC\n INC DE\n INC HL\n INC SP\n INC IX\n INC IY", "03 13 23 33 DD 23 FD 23"},
      {" INC IXH\n INC IYL\n INC (IX+3)", "DD 24 FD 2C DD 34 03"},
      {" DEC A\n DEC B\n DEC BC\n DEC SP\n DEC IX\n DEC (HL)\n DEC (IY-3)\n DEC IXL",
       "3D 05 0B 3B DD 2B 35 FD 35 FD DD 2D"},
  });
  ExpectError({
      {" INC (BC)", "Syntax Error"},
      {" DEC (DE)", "Syntax Error"},
      {" INC (SP)", "Syntax Error"},
      {" INC AF", "Syntax Error"},
      {" DEC I", "Syntax Error"},
      {" INC 5", "Syntax Error"},
      {" STRICT\n INC IXH", "Syntax Error"},
  });
}

TEST(Z80Shifts, RegistersIndexedAndUndocumentedCopies) {
  ExpectBytes({
      {" RLC B\n RRC C\n RL D\n RR E\n SLA H\n SRA L\n SLI A\n SRL (HL)",
       "CB 00 CB 09 CB 12 CB 1B CB 24 CB 2D CB 37 CB 3E"},
      {" RLC (IX+5)", "DD CB 05 06"},
      {" RLC (IX+5),B", "DD CB 05 00"},
      {" SRL (IY-1),A", "FD CB FF 3F"},
      {" RL IXH", "DD CB 14"},
      {" SRA IYL", "FD CB 2D"},
  });
  ExpectError({
      {" STRICT\n SLI A", "Syntax Error"},
      {" STRICT\n RLC (IX+5),B", "Syntax Error"},
      {" RLC (IX+1),IXH", "Syntax Error"},
      {" RLC (BC)", "Syntax Error"},
      {" RLC HL", "Syntax Error"},
  });
}

TEST(Z80Bits, BitNumberOperandAndIndexCopies) {
  ExpectBytes({
      {" BIT 0,A\n BIT 7,(HL)\n RES 1,B\n SET 7,A", "CB 47 CB 7E CB 88 CB FF"},
      {" BIT 3,(IX+4)", "DD CB 04 5E"},
      {" SET 3,(IY-2),A", "FD CB FE DF"},
      {" RES 0,(IX+0),C", "DD CB 00 81"},
      {" SET 6,IXL", "DD CB F5"},
  });
  ExpectError({
      {" BIT 2,(IX+1),A", "Syntax Error"},
      {" BIT 8,A", "Range Error"},
      {" SET -1,A", "Range Error"},
      {" BIT [bn]1,A", "Illegal_SMC_Label"},
      {" RES 1 A", "Syntax Error"},
  });
}

TEST(Z80Jumps, AbsoluteJumpsCallsAndReturns) {
  ExpectBytes({
      {" JP $1234\n JP NZ,$1234\n JP Z,1\n JP NC,1\n JP C,1\n JP PO,1\n JP PE,1\n JP P,1\n JP M,1",
       "C3 34 12 C2 34 12 CA 01 00 D2 01 00 DA 01 00 E2 01 00 EA 01 00 F2 01 00 FA 01 00"},
      {" JP NV,2\n JP V,2", "E2 02 00 EA 02 00"},
      {" JP (HL)\n JP HL\n JP (IX)\n JP IY\n JP (IX+0)", "E9 E9 DD E9 FD E9 DD E9"},
      {" JP Z $1234", "CA 34 12"},
      {" JP $12345", "C3 45 23"},
      {" CALL $1234\n CALL NZ,$10\n CALL M,2\n CALL C 3", "CD 34 12 C4 10 00 FC 02 00 DC 03 00"},
      {" RET\n RET NZ\n RET Z\n RET NC\n RET C\n RET PO\n RET PE\n RET P\n RET M\n RET NV",
       "C9 C0 C8 D0 D8 E0 E8 F0 F8 E0"},
      {" RST 0\n RST 8\n RST $10\n RST 24\n RST $20\n RST 40\n RST $30\n RST 56",
       "C7 CF D7 DF E7 EF F7 FF"},
  });
  ExpectError({
      {" JP (IX+1)", "Syntax Error"},
      {" STRICT\n JP HL", "Syntax Error"},
      {" JP (BC)", "Syntax Error"},
      {" JP (C)", "Syntax Error"},  // Z80N only
      {" JP NZ", "Syntax Error"},
      {" zoStrictSyntax = 1\n JP Z $1234", "Missing Comma"},
      {" zoStrictSyntax = 1\n CALL NC 5", "Missing Comma"},
      {" RST 1", "Address Error"},
      {" RST $40", "Address Error"},
      {" RST -8", "Address Error"},
      {" CALL HL", "Syntax Error"},
  });
  EXPECT_EQ(Z80Hex(" zoSupportNext = 1\n JP (C)"), "ED 98");
}

TEST(Z80Jumps, MissingCommaUnderStrictSyntaxStillAssembles) {
  Z80Run run(" zoStrictSyntax = 1\n JP Z $1234\n NOP");
  EXPECT_EQ(run.PC(), 0x8004);
  EXPECT_EQ(run.Err().substr(0, run.Err().find('\n')), ErrorAt(3, "Missing Comma"));
}

TEST(Z80Relative, OffsetsRangeAndConditions) {
  ExpectBytes({
      {" JR $", "18 FE"},
      {" JR $+2", "18 00"},
      {" JR $+129", "18 7F"},
      {" JR $-126", "18 80"},
      {" JR NZ,$\n JR Z,$\n JR NC,$\n JR C,$", "20 FE 28 FE 30 FE 38 FE"},
      {" JR C $", "38 FE"},
      {" DJNZ $", "10 FE"},
      {" JR fwd\n NOP\nfwd:", "18 01 00"},
      {" DJNZ back\nback: NOP", "10 00 00"},
  });
  ExpectError({
      {" JR $+130", "Range Error"},
      {" JR $-127", "Range Error"},
      {" DJNZ $+200", "Range Error"},
      {" JR PO,$", "Syntax Error"},
      {" JR M,$", "Syntax Error"},
  });
}

TEST(Z80Relative, OutOfRangeStillPlantsBothBytes) {
  Z80Run run(" JR $+130\n NOP");
  EXPECT_EQ(run.PC(), 0x8003);
}

TEST(Z80Relative, ExtraCommaIsForgivenWithAWarning) {
  Z80Run run(" JR ,$\n DJNZ ,$\n JR NZ,,$");
  EXPECT_EQ(run.Hex(), "18 FE 10 FE 20 FE");
  const std::string w = " : warning: I smell Quimble... we don't need no stinkeen' comma ;)";
  EXPECT_EQ(run.Warnings(),
            "main.asm:    2 " + w + "\nmain.asm:    3 " + w + "\nmain.asm:    4 " + w + "\n");
  ExpectError({{" zoStrictSyntax = 1\n DJNZ ,$", "Syntax Error"}});
}

TEST(Z80Misc, InterruptModesExchangesAndPorts) {
  ExpectBytes({
      {" IM 0\n IM 1\n IM 2", "ED 46 ED 56 ED 5E"},
      {" EX AF,AF'\n EX DE,HL\n EX (SP),HL\n EX (SP),IX\n EX (SP),IY", "08 EB E3 DD E3 FD E3"},
      {" IN A,($FE)\n IN A,(C)\n IN B,(C)\n IN C,(C)\n IN D,(C)\n IN E,(C)\n IN H,(C)\n IN L,(C)",
       "DB FE ED 78 ED 40 ED 48 ED 50 ED 58 ED 60 ED 68"},
      {" IN F,(C)\n IN A,(BC)\n IN E,(BC)", "ED 70 ED 78 ED 58"},
      {" OUT ($FE),A\n OUT (C),A\n OUT (C),B\n OUT (C),L\n OUT (C),F\n OUT (C),0",
       "D3 FE ED 79 ED 41 ED 69 ED 71 ED 71"},
      {" OUT (BC),A\n OUT (0),A", "ED 79 D3 00"},
  });
  ExpectError({
      {" IM 3", "Syntax Error"},
      {" EX HL,DE", "Syntax Error"},
      {" EX AF,AF", "Syntax Error"},
      {" EX (SP),DE", "Syntax Error"},
      {" IN B,($FE)", "Syntax Error"},
      {" IN A,(256)", "Range Error"},
      {" IN A,(-1)", "Range Error"},
      {" IN A,$FE", "Syntax Error"},
      {" OUT (C),1", "Syntax Error"},
      {" OUT ($FE),B", "Syntax Error"},
      {" STRICT\n OUT (C),0", "Syntax Error"},
      {" STRICT\n IN A,(BC)", "Syntax Error"},
  });
}

TEST(Z80Stack, PushPopAndLists) {
  ExpectBytes({
      {" PUSH BC\n PUSH DE\n PUSH HL\n PUSH AF\n PUSH IX\n PUSH IY", "C5 D5 E5 F5 DD E5 FD E5"},
      {" POP BC\n POP DE\n POP HL\n POP AF\n POP IX\n POP IY", "C1 D1 E1 F1 DD E1 FD E1"},
      {" PUSH AF,BC", "F5 C5"},
      {" POP IY, HL, AF", "FD E1 E1 F1"},
      {" zoSupportNext = 1\n PUSH $1234", "ED 8A 12 34"},
      {" zoSupportNext = 1\n PUSH BC,$1234,DE", "C5 ED 8A 12 34 D5"},
  });
  ExpectError({
      {" PUSH AF,", "Syntax Error"},
      {" PUSH", "Syntax Error"},
      {" POP SP", "Syntax Error"},
      {" POP $1234", "Syntax Error"},
      {" PUSH $1234", "Syntax Error"},
      {" STRICT\n PUSH AF,BC", "Syntax Error"},
  });
}

TEST(Z80Load, EightBitForms) {
  ExpectBytes({
      {" LD A,B\n LD A,A\n LD B,C\n LD H,L\n LD L,A\n LD E,(HL)", "78 7F 41 65 6F 5E"},
      {" LD A,IXH\n LD A,IYL\n LD B,IXL\n LD E,IYH", "DD 7C FD 7D DD 45 FD 5C"},
      {" LD IXH,A\n LD IXL,B\n LD IYH,IYL\n LD IXL,IXH", "DD 67 DD 68 FD 65 DD 6C"},
      {" LD A,I\n LD A,R\n LD I,A\n LD R,A\n LD I,I\n LD R,R",
       "ED 57 ED 5F ED 47 ED 4F ED 77 ED 7F"},
      {" LD A,(BC)\n LD A,(DE)\n LD A,(HL)\n LD B,(HL)\n LD L,(HL)", "0A 1A 7E 46 6E"},
      {" LD A,(IX+1)\n LD H,(IY-1)\n LD A,(IX)", "DD 7E 01 FD 66 FF DD 7E 00"},
      {" LD A,(IX-128)\n LD A,(IX+127)\n LD A,(IX-5+3)", "DD 7E 80 DD 7E 7F DD 7E F8"},
      {" LD A,($1234)\n LD A,5\n LD B,-1\n LD IXH,5\n LD IYL,6",
       "3A 34 12 3E 05 06 FF DD 26 05 FD 2E 06"},
      {" LD (BC),A\n LD (DE),A\n LD (HL),B\n LD (HL),A\n LD (HL),5", "02 12 70 77 36 05"},
      {" LD (IX+2),C\n LD (IX+2),5\n LD (IY-128),255", "DD 71 02 DD 36 02 05 FD 36 80 FF"},
  });
  ExpectError({
      {" LD H,IXL", "Syntax Error"},
      {" LD IXH,IYL", "Syntax Error"},
      {" LD IXH,H", "Syntax Error"},
      {" LD IXL,(HL)", "Syntax Error"},
      {" LD A,(C)", "Syntax Error"},
      {" LD B,(BC)", "Syntax Error"},
      {" LD B,I", "Syntax Error"},
      {" LD I,B", "Syntax Error"},
      {" LD I,R", "Syntax Error"},
      {" LD (BC),B", "Syntax Error"},
      {" LD (HL),IXH", "Syntax Error"},
      {" LD A,(IX+128)", "Range Error"},
      {" LD A,(IX-129)", "Range Error"},
      {" LD A,256", "Range Error"},
      {" LD A B", "Syntax Error"},
      {" LD 5,A", "Syntax Error"},
      {" STRICT\n LD A,IXH", "Syntax Error"},
  });
  EXPECT_EQ(Z80Hex(" STRICT\n LD A,I\n LD R,A"), "ED 57 ED 4F");
}

TEST(Z80Load, SixteenBitAndMemoryForms) {
  ExpectBytes({
      {" LD ($1234),A\n LD ($1234),HL\n LD ($1234),IX\n LD ($1234),IY",
       "32 34 12 22 34 12 DD 22 34 12 FD 22 34 12"},
      {" LD ($1234),BC\n LD ($1234),DE\n LD ($1234),SP", "ED 43 34 12 ED 53 34 12 ED 73 34 12"},
      {" LD BC,$1234\n LD DE,1\n LD HL,-1\n LD SP,65535\n LD IX,-32768\n LD IY,0",
       "01 34 12 11 01 00 21 FF FF 31 FF FF DD 21 00 80 FD 21 00 00"},
      {" LD BC,($1234)\n LD DE,($1234)\n LD HL,($1234)", "ED 4B 34 12 ED 5B 34 12 2A 34 12"},
      {" LD IX,($1234)\n LD IY,($1234)\n LD SP,($1234)", "DD 2A 34 12 FD 2A 34 12 ED 7B 34 12"},
      {" LD SP,HL\n LD SP,IX\n LD SP,IY", "F9 DD F9 FD F9"},
      // "(" expression ")" is an address only before "," or the end.
      {" LD A,(2)+1\n LD HL,(2)+1\n LD A,(1+1)\n LD HL,(-1)", "3E 03 21 03 00 3A 02 00 2A FF FF"},
  });
  ExpectError({
      {" LD HL,65536", "Range Error"},
      {" LD HL,-32769", "Range Error"},
      {" LD A,(65536)", "Range Error"},
      {" LD (1)+1,A", "Syntax Error"},
      {" LD ($1234),B", "Syntax Error"},
      {" LD B,($1234)", "Syntax Error"},
      {" LD SP,BC", "Syntax Error"},
      {" LD AF,BC", "Syntax Error"},
  });
}

TEST(Z80Load, ParenthesisedMacroArgumentIsAnAddressOnlyWhereTheRuleSaysSo) {
  // The argument (5) ends inside the trial read of "(" expression ")"; when
  // that read gives up, the rest of the body (+1) must still follow.
  const std::string body =
      "mac MACRO (val)\n LD A,val+1\n LD HL,val\n LD A,(val)\n MEND\n mac((5))\n mac(5)";
  EXPECT_EQ(Z80Hex(body), "3E 06 2A 05 00 3A 05 00 3E 06 21 05 00 3A 05 00");
}

TEST(Z80Load, CompositeCopies) {
  ExpectBytes({
      {" LD BC,DE\n LD BC,HL\n LD BC,IX\n LD BC,IY", "42 4B 44 4D DD 44 DD 4D FD 44 FD 4D"},
      {" LD DE,BC\n LD DE,HL\n LD DE,IX\n LD DE,IY", "50 59 54 5D DD 54 DD 5D FD 54 FD 5D"},
      {" LD HL,BC\n LD HL,DE", "60 69 62 6B"},
      {" LD IX,BC\n LD IX,DE\n LD IY,BC\n LD IY,DE",
       "DD 60 DD 69 DD 62 DD 6B FD 60 FD 69 FD 62 FD 6B"},
      {" LD HL,(IX+126)", "DD 6E 7E DD 66 7F"},
      {" LD BC,(IY-2)\n LD DE,(IX)", "FD 4E FE FD 46 FF DD 5E 00 DD 56 01"},
      {" LD (IX+1),DE\n LD (IY-128),BC\n LD (IX+126),HL",
       "DD 73 01 DD 72 02 FD 71 80 FD 70 81 DD 75 7E DD 74 7F"},
  });
  ExpectError({
      {" LD HL,(IX+127)", "Syntax Error"},
      {" LD (IX+127),BC", "Syntax Error"},
      {" LD HL,IX", "Syntax Error"},
      {" LD IX,IY", "Syntax Error"},
      {" LD IX,HL", "Syntax Error"},
      {" LD BC,BC", "Syntax Error"},
      {" LD SP,(IX+1)", "Syntax Error"},
      {" STRICT\n LD BC,DE", "Syntax Error"},
      {" STRICT\n LD HL,(IX+1)", "Syntax Error"},
  });
}

TEST(Z80Load, SeveralLoadsOnOneLineAndTheHalfMerge) {
  ExpectBytes({
      {" LD A,1, B,2", "3E 01 06 02"},
      {" LD B,1, C,2", "01 02 01"},
      {" LD C,2, B,1", "01 02 01"},
      {" LD B,1, D,2", "06 01 16 02"},
      {" LD D,$12, E,$34\n LD L,$34, H,$12", "11 34 12 21 34 12"},
      {" LD IXH,1, IXL,2", "DD 21 02 01"},
      {" LD IYL,1, IYH,2", "FD 21 01 02"},
      {" LD IXH,1, IYL,2", "DD 26 01 FD 2E 02"},
      {" LD H,$12, L,$34, A,5", "21 34 12 3E 05"},
      {" LD B,1, C,2, B,3", "01 02 01 06 03"},
      {" LD B,1, C,(HL)", "06 01 4E"},
      {" LD HL,(2), A,(3)", "2A 02 00 3A 03 00"},
      {" LD B,-1, C,255", "01 FF FF"},
  });
  ExpectError({
      {" STRICT\n LD A,1, B,2", "Syntax Error"},
      {" LD A,1,", "Syntax Error"},
  });
  // An error in a later load keeps the loads before it.
  Z80Run run(" LD A,1, Q,2");
  EXPECT_EQ(run.PC(), 0x8002);
}

TEST(Z80Load, LoadMultiple) {
  ExpectBytes({
      {" LM A,B, $1234", "3E 12 06 34"},
      {" LM B,C, $1234", "01 34 12"},
      {" LM HL,A, $123456", "21 34 12 3E 56"},
      {" LM SP, $1234", "31 34 12"},
      {" LM A,SP, $123456", "3E 12 31 56 34"},
      {" LM IXH,IXL,B, $010203", "DD 21 02 01 06 03"},
      {" LM L,A,H, $123456", "21 12 56 3E 34"},
      {" LM E,A, 5", "1E 00 3E 05"},
      {" LM DE,HL, $11223344", "11 22 11 21 44 33"},
  });
  ExpectError({
      {" LM A,A, 1", "Syntax Error"},
      {" LM BC,DE,A, 1", "Range Error"},
      {" LM A,B", "Syntax Error"},
      {" LM AF, 1", "Syntax Error"},
      {" LM A,[x]1", "Illegal_SMC_Label"},
  });
  // Both errors come after the loads are planted.
  EXPECT_EQ(Z80Run(" LM B,B, $1234").PC(), 0x8002);
  EXPECT_EQ(Z80Run(" LM A,B,C,D,E, 1").PC(), 0x8008);
}

TEST(Z80Labels, OperandLabelsNameTheOperandBytesAndMakeThemWritable) {
  Z80Run run(" LD A,[x]5\n LD (IX+[dsp]3),[val]4\n LD HL,x\n LD HL,dsp\n LD HL,val");
  EXPECT_EQ(run.Hex(), "3E 05 DD 36 03 04 21 01 80 21 04 80 21 05 80");
  EXPECT_TRUE(run.Cell(0x8001).Write);
  EXPECT_FALSE(run.Cell(0x8000).Write);
  EXPECT_FALSE(run.Cell(0x8002).Write);
  EXPECT_TRUE(run.Cell(0x8004).Write);
  EXPECT_TRUE(run.Cell(0x8005).Write);
  EXPECT_FALSE(run.Cell(0x8007).Write);

  ExpectBytes({
      {" JP [tgt]$1234\n LD HL,tgt", "C3 34 12 21 01 80"},
      {" JR [tgt]$\n LD HL,tgt", "18 FE 21 01 80"},
      {" LD BC,([mem]$1234)\n LD HL,mem", "ED 4B 34 12 21 02 80"},
      {" IN A,([port]$FE)\n LD HL,port", "DB FE 21 01 80"},
      {" zoSupportNext = 1\n PUSH [val]$1234\n LD HL,val", "ED 8A 12 34 21 02 80"},
      // A labelled half load is not merged: the label keeps naming its byte.
      {" LD B,[hi]1, C,2\n LD HL,hi", "06 01 0E 02 21 01 80"},
  });
}

// A number operand is whole only where nothing after it can go on with the
// expression: what follows it on the line, or on the next lines inside
// parentheses, or in a macro argument, must still be read.
TEST(Z80Operands, NumbersAndWhatFollowsThem) {
  ExpectBytes({
      {" LD B,5 ; note\n LD C , 6 ", "06 05 0E 06"},
      {" LD A,(5\n +3)", "3A 08 00"},
      {" LD A,(5 ; note\n +3)", "3A 08 00"},
      {" LD A,(5\n)", "3A 05 00"},
      {" LD (IX+5),7\n LD A,(IY-2)", "DD 36 05 07 FD 7E FE"},
      {" OUT ($FE),A\n IN A,($FE)", "D3 FE DB FE"},
      {" LD A,$1234[1]\n LD B,2 + 3\n LD C,2*3", "3E 12 06 05 0E 06"},
      {" DB 1, 2 ,3 ; note\n DW 4", "01 02 03 04 00"},
      {"setab MACRO(xx)\n LD A,xx\n LD B,xx+1\n MEND\n setab(4)\n setab(4+2)",
       "3E 04 06 05 3E 06 06 07"},
      // Inside a function's argument a number leaves the outer operand's
      // label as it was.
      {" LD HL,[lab1]ZXPIXELADDR(0, 0)\n LD DE,lab1", "21 00 40 11 01 80"},
  });
}

TEST(Z80Labels, BigEndianPushWarns) {
  Z80Run run(" zoSupportNext = 1\n PUSH [val]$1234");
  EXPECT_EQ(run.Warnings(),
            "main.asm:    3  : warning: Note that the Next ridiculously uses big endian data for "
            "this instruction!\n");
}

TEST(Z80Flow, UnconditionalTransfersDoNotFlowIntoData) {
  const std::string warn =
      " : warning:  - this creates data or space that could be executed. (Use noflow or "
      "velddatafollows?)";
  auto warned = [&](const std::string& body) {
    Z80Run run(body + "\n DB 0");
    return run.Warnings().find(warn) != std::string::npos;
  };
  for (const char* s : {" JP 0", " JR $", " RET", " RETI", " RETN", " JP (HL)", " JP IX"})
    EXPECT_FALSE(warned(s)) << s;
  for (const char* s : {" JP Z,0", " JR NZ,$", " RET C", " CALL 0", " RST 8", " DJNZ $", " NOP",
                        " LD A,1", " PUSH AF,BC"})
    EXPECT_TRUE(warned(s)) << s;
  // Calls and restarts to routines followed by data.
  EXPECT_FALSE(warned(" VELDDATAFOLLOWS $1234, 8\n CALL $1234"));
  EXPECT_FALSE(warned(" VELDDATAFOLLOWS $1234, 8\n CALL NZ,$1234"));
  EXPECT_FALSE(warned(" VELDDATAFOLLOWS 8\n RST 8"));
  EXPECT_TRUE(warned(" VELDDATAFOLLOWS 8\n RST 16"));
}

TEST(Z80Syntax, LowerCaseStatementSeparatorsAndJunk) {
  ExpectBytes({
      {" ld a,(ix+1) : ld (hl),a", "DD 7E 01 77"},
      {" ex af,af'", "08"},
      {" djnz $ : ret", "10 FE C9"},
  });
  ExpectError({
      {" NOP A", "Syntax Error"},
      {" RET NZ,1", "Syntax Error"},
      {" LD A,1 2", "Syntax Error"},
      // A faulty expression inside a parenthesised operand is read once: the
      // line stays skipped instead of being read again as an immediate.
      {" LD A,(1+) ]", "Syntax Error"},
      {" LD (1+),A ]", "Syntax Error"},
      {" IN A,(1+) )", "Syntax Error"},
      {" LD A,(nope)+1 ]", "Label Not Found : \"nope\""},
      // Errors that do not skip the line themselves: what follows is skipped
      // rather than read as a statement.
      {" JP (nope) ]", "Label Not Found : \"nope\""},
      {" zoStrictSyntax = 1\n JP Z $1234 ]", "Missing Comma"},
  });
  // ... but a statement after ":" is still assembled.
  EXPECT_EQ(Z80Run(" zoStrictSyntax = 1\n CALL Z $1234 : NOP").PC(), 0x8004);
}

}  // namespace
