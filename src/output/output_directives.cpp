// The output directives: each parses its arguments in every pass (so errors
// are reported and referenced symbols count as used) and records an output
// definition only in the clean final pass. Nothing is written here; the
// write-out does that after the run.

#include "assembler/assembly.h"
#include "output/directive_args.h"

namespace {

struct Range {
  std::string file;
  uint32_t start = 0;
  uint32_t length = 0;
};

// file, start, length
Range ReadRange(DirectiveArgs& args) {
  Range r;
  r.file = args.File();
  args.Comma();
  r.start = static_cast<uint32_t>(args.Number());
  args.Comma();
  r.length = static_cast<uint32_t>(args.Number());
  return r;
}

TFILE_Def* RecordRange(DirectiveArgs& args, TFileKind kind, const Range& r, bool alwaysNew) {
  TFILE_Def* d = RecordFileDef(args, kind, r.file, alwaysNew);
  if (d) {
    d->Start = r.start;
    d->Length = r.length;
  }
  return d;
}

// OUTPUT_BIN file, start, length [, offset]: with an offset the range is
// patched into an existing file, and every such directive is its own
// definition.
void OutputBin(Assembly& a, TToken) {
  DirectiveArgs args(a);
  Range r = ReadRange(args);
  bool patch = args.CommaFollows();
  uint32_t offset = patch ? static_cast<uint32_t>(args.Number()) : 0;
  if (!args.ok() || !a.pass.clean) return;
  if (TFILE_Def* d = RecordRange(args, patch ? ftBinaryInsert : ftBinary, r, patch))
    d->Param1 = offset;
}

// OUTPUT_HEX file, start, length [, address digits [, bytes per line]]
void OutputHex(Assembly& a, TToken) {
  DirectiveArgs args(a);
  Range r = ReadRange(args);
  uint32_t digits = 4, perLine = 16;
  if (args.CommaFollows()) {
    digits = static_cast<uint32_t>(args.Number());
    if (args.CommaFollows()) perLine = static_cast<uint32_t>(args.Number());
  }
  if (!args.ok() || !a.pass.clean) return;
  if (TFILE_Def* d = RecordRange(args, ftRawHex, r, false)) {
    d->Param1 = digits;
    d->Param2 = perLine;
  }
}

// OUTPUT_INTEL, OUTPUT_SREC (OUTPUT_MOTOROLA), OUTPUT_DB, OUTPUT_CPM:
// file, start, length
void OutputPlainRange(Assembly& a, TToken keyword) {
  DirectiveArgs args(a);
  Range r = ReadRange(args);
  if (!args.ok() || !a.pass.clean) return;
  TFileKind kind = keyword == tOUTPUT_INTEL  ? ftIntelHex
                   : keyword == tOUTPUT_SREC ? ftSrecHex
                   : keyword == tOUTPUT_DB   ? ftHexDB
                                             : ftCPM;
  TFILE_Def* d = RecordRange(args, kind, r, false);
  if (d && kind == ftCPM) d->Param1 = static_cast<uint32_t>(IntegerOfSymbol(a, "Veld_cpm_user", 0));
}

// OUTPUT_UNIT / OUTPUT_C file, unit name, array name, comment, start, length
void OutputSourceExport(Assembly& a, TToken keyword) {
  DirectiveArgs args(a);
  std::string file = args.File();
  args.Comma();
  std::string unit = args.Text();
  args.Comma();
  std::string array = args.Text();
  args.Comma();
  std::string comment = args.Text();
  args.Comma();
  uint32_t start = static_cast<uint32_t>(args.Number());
  args.Comma();
  uint32_t length = static_cast<uint32_t>(args.Number());
  if (!args.ok() || !a.pass.clean) return;
  TFILE_Def* d =
      RecordFileDef(args, keyword == tOUTPUT_UNIT ? ftDelphiUnit : ftZivevuArray, file, false);
  if (!d) return;
  d->UnitName = unit;
  d->UnitVarName = array;
  d->Comment = comment;
  d->Start = start;
  d->Length = length;
}

// OUTPUT_TEXT file, item {, item}: one line made of the items; a further
// OUTPUT_TEXT for the same file adds another line.
void OutputText(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  std::string line;
  args.Comma();
  do {
    if (!args.ok()) break;
    TExpRes v = EvalExpression(a);
    if (!args.ok()) break;
    if (v.Sort == erString)
      line += v.Str;
    else if (v.Sort == erInteger)
      line += static_cast<char>(v.Int & 0xFF);
    else
      args.Fail(E_SyntaxError);
  } while (args.CommaFollows());
  if (!args.ok() || !a.pass.clean) return;
  int32_t slot = FindOrAddFileDef(a, file, false);
  if (slot >= 1 && FileDef(a, slot).Sort == ftTextFile) {
    TFILE_Def& d = FileDef(a, slot);
    d.Comment += "\r\n";
    d.Comment += line;
    return;
  }
  if (TFILE_Def* d = RecordFileDef(args, ftTextFile, file, false)) d->Comment = line;
}

// OUTPUT_SZX, OUTPUT_Z80, OUTPUT_SNA file [, sp, pc]
void OutputSnapshot(Assembly& a, TToken keyword) {
  DirectiveArgs args(a);
  std::string file = args.File();
  int32_t sp = -1, pc = -1;
  if (args.CommaFollows()) {
    sp = args.Number();
    args.Comma();
    pc = args.Number();
  }
  if (!args.ok() || !a.pass.clean) return;
  TFileKind kind = keyword == tOUTPUT_SZX ? ftSZX : keyword == tOUTPUT_Z80 ? ftZ80 : ftSNA;
  TFILE_Def* d = RecordFileDef(args, kind, file, false);
  if (!d) return;
  d->SP = sp;
  d->PC = pc;
  if (pc > 0) a.machine.defaultStartPC = static_cast<uint16_t>(pc);
  if (sp > 0) a.machine.defaultStartSP = static_cast<uint16_t>(sp);
}

// Further base, length pairs of a tape: {, base, length}. At most `room`
// pairs are accepted; more is "Ran out of resources".
std::vector<TBLOCK_DEFN> ReadBlockPairs(DirectiveArgs& args, int room) {
  std::vector<TBLOCK_DEFN> blocks;
  while (args.CommaFollows()) {
    TBLOCK_DEFN b;
    b.Base = static_cast<uint32_t>(args.Number());
    args.Comma();
    b.Length = static_cast<uint32_t>(args.Number());
    if (!args.ok()) break;
    if (static_cast<int>(blocks.size()) >= room) {
      args.Fail(E_OutOfResources);
      break;
    }
    blocks.push_back(b);
  }
  return blocks;
}

// OUTPUT_TAP / OUTPUT_TZX file, name, text, base, length
//   [, mode [, execute [, value6 [, value7, value8]]]] {, base, length}
// value7 and value8 are read only in mode 4; the further blocks are kept for
// the multi-block modes 3 and 4.
void OutputTape(Assembly& a, TToken keyword) {
  DirectiveArgs args(a);
  std::string file = args.File();
  args.Comma();
  std::string name = args.Text();
  args.Comma();
  std::string text = args.Text();
  args.Comma();
  uint32_t base = static_cast<uint32_t>(args.Number());
  args.Comma();
  uint32_t length = static_cast<uint32_t>(args.Number());
  uint32_t mode = 0, execute = base, value6 = 65537, value7 = 0, value8 = 0;
  std::vector<TBLOCK_DEFN> further;
  if (args.CommaFollows()) {
    mode = static_cast<uint32_t>(args.Number());
    if (args.CommaFollows()) {
      execute = static_cast<uint32_t>(args.Number());
      if (args.CommaFollows()) {
        value6 = static_cast<uint32_t>(args.Number());
        if (mode == 4 && args.CommaFollows()) {
          value7 = static_cast<uint32_t>(args.Number());
          args.Comma();
          value8 = static_cast<uint32_t>(args.Number());
        }
        further = ReadBlockPairs(args, kMaxTapeBlocks - 1);
      }
    }
  }
  if (!args.ok() || !a.pass.clean) return;
  TFILE_Def* d = RecordFileDef(args, keyword == tOUTPUT_TAP ? ftTAP : ftTZX, file, false);
  if (!d) return;
  d->UnitName = name;
  d->Comment = text;
  d->Param1 = base;
  d->Param2 = length;
  d->Param3 = mode;
  d->Param4 = execute;
  d->Param5 = value6;
  d->Param6 = value7;
  d->Param7 = value8;
  if (mode == 3 || mode == 4) {
    d->BlockList.push_back(TBLOCK_DEFN{0, base, length});
    d->BlockList.insert(d->BlockList.end(), further.begin(), further.end());
    d->BlockCnt = static_cast<int32_t>(d->BlockList.size());
  }
  a.machine.defaultStartPC = static_cast<uint16_t>(execute);
  if ((Is128KFamily(a.machine.model) || IsNext(a.machine.model)) && execute > 0xBFFF)
    Warning(a, a.diag.currentLine, " - this execute address may fail. Try one below $C000");
}

// OUTPUT_TAP_BLOCK / OUTPUT_TZX_BLOCK file {, base, length}: more blocks for
// the multi-block tape of that file. A tape holds at most 256 blocks; a
// directive that would go past that adds none and is "Ran out of resources".
void OutputTapeBlock(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  std::vector<TBLOCK_DEFN> blocks = ReadBlockPairs(args, kMaxTapeBlocks);
  if (!args.ok() || !a.pass.clean) return;
  int32_t slot = FindFileDef(a, file);
  TFILE_Def* d = slot >= 1 ? &FileDef(a, slot) : nullptr;
  if (!d || (d->Sort != ftTAP && d->Sort != ftTZX) || (d->Param3 != 3 && d->Param3 != 4)) {
    args.Fail(E_SyntaxError);
    return;
  }
  if (d->BlockCnt + static_cast<int>(blocks.size()) > kMaxTapeBlocks) {
    args.Fail(E_OutOfResources);
    return;
  }
  d->BlockList.resize(static_cast<size_t>(d->BlockCnt));
  d->BlockList.insert(d->BlockList.end(), blocks.begin(), blocks.end());
  d->BlockCnt = static_cast<int32_t>(d->BlockList.size());
}

// OUTPUT_PARA start, length [, execute]: recorded only.
void OutputPara(Assembly& a, TToken) {
  DirectiveArgs args(a);
  uint32_t start = static_cast<uint32_t>(args.Number());
  args.Comma();
  uint32_t length = static_cast<uint32_t>(args.Number());
  int32_t execute = -1;
  if (args.CommaFollows()) execute = args.Number();
  if (!args.ok() || !a.pass.clean) return;
  TFILE_Def* d = RecordFileDef(args, ftPara, "ParaSys", true);
  if (!d) return;
  d->Start = start;
  d->Length = length;
  d->PC = execute;
}

// OUTPUT_LIST file [, value]; an empty name is allowed (nothing is saved).
void OutputList(Assembly& a, TToken) {
  // From here on the image keeps the source line of every planted byte.
  a.image.keepOrigins = true;
  DirectiveArgs args(a);
  std::string file = args.FileOrEmpty();
  uint32_t value = 0;
  if (args.CommaFollows()) value = static_cast<uint32_t>(args.Number());
  if (!args.ok() || !a.pass.clean) return;
  if (TFILE_Def* d = RecordFileDef(args, ftList, file, false)) d->Options = value;
}

// EXPORT_SYM file, options: the options take effect at once, in every pass.
void ExportSym(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.FileOrEmpty();
  args.Comma();
  uint32_t options = static_cast<uint32_t>(args.Number());
  if (!args.ok()) return;
  a.outputs.symbolExportOptions = options;
  if (!a.pass.clean) return;
  if (TFILE_Def* d = RecordFileDef(args, ftSYM, file, false)) d->Options = options;
}

// VELDINVOKE command [, folder [, wait]]: the command runs after every file
// is written, in the given folder (by default the main source file's).
void VeldInvoke(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string command = args.Text();
  std::string folder;
  bool folderGiven = false;
  int32_t wait = 1;
  if (args.CommaFollows()) {
    folder = args.File();
    folderGiven = true;
    if (args.CommaFollows()) wait = args.Number();
  }
  if (!args.ok() || !a.pass.clean) return;
  TFILE_Def* d = RecordFileDef(args, ftInvoke, command, true);
  if (!d) return;
  d->Directory = folderGiven ? folder : ResolveOutputName(a, "");
  d->Start = wait != 0 ? 1 : 0;
}

// VELDCOPYFILE / VELDMOVEFILE source, destination
void VeldCopyMove(Assembly& a, TToken keyword) {
  DirectiveArgs args(a);
  std::string source = args.File();
  args.Comma();
  std::string destination = args.File();
  if (!args.ok() || !a.pass.clean) return;
  TFILE_Def* d =
      RecordFileDef(args, keyword == tVELDCOPYFILE ? ftFileCopy : ftFileMove, source, true);
  if (d) d->Directory = destination;
}

// VELDDELETEFILE file
void VeldDeleteFile(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  if (!args.ok() || !a.pass.clean) return;
  RecordFileDef(args, ftFileDelete, file, true);
}

// OUTPUT_CON and its kin describe outputs of another machine family that
// this program does not produce: the keyword is accepted and nothing after it
// is read, so whatever follows it on the line starts the next statement (and
// an argument list there is "Syntax Error").
void OutputIgnored(Assembly& a, TToken) { LexNext(a); }

}  // namespace

void RegisterOutputDirectives(DispatchTable& t) {
  t.Set(tOUTPUT_BIN, OutputBin);
  t.Set(tOUTPUT_HEX, OutputHex);
  t.Set(tOUTPUT_INTEL, OutputPlainRange);
  t.Set(tOUTPUT_SREC, OutputPlainRange);
  t.Set(tOUTPUT_DB, OutputPlainRange);
  t.Set(tOUTPUT_CPM, OutputPlainRange);
  t.Set(tOUTPUT_UNIT, OutputSourceExport);
  t.Set(tOUTPUT_C, OutputSourceExport);
  t.Set(tOUTPUT_TEXT, OutputText);
  t.Set(tOUTPUT_SZX, OutputSnapshot);
  t.Set(tOUTPUT_Z80, OutputSnapshot);
  t.Set(tOUTPUT_SNA, OutputSnapshot);
  t.Set(tOUTPUT_TAP, OutputTape);
  t.Set(tOUTPUT_TZX, OutputTape);
  t.Set(tOUTPUT_TAP_BLOCK, OutputTapeBlock);
  t.Set(tOUTPUT_TZX_BLOCK, OutputTapeBlock);
  t.Set(tOUTPUT_PARA, OutputPara);
  t.Set(tOUTPUT_LIST, OutputList);
  t.Set(tEXPORT_SYM, ExportSym);
  t.Set(tVELDINVOKE, VeldInvoke);
  t.Set(tVELDCOPYFILE, VeldCopyMove);
  t.Set(tVELDMOVEFILE, VeldCopyMove);
  t.Set(tVELDDELETEFILE, VeldDeleteFile);
  t.Set(tOUTPUT_CON, OutputIgnored);
  t.Set(tOUTPUT_CON_DATA, OutputIgnored);
  t.Set(tOUTPUT_CON_SCREEN, OutputIgnored);
  t.Set(tOUTPUT_CON_PALETTE, OutputIgnored);
  RegisterNexDirectives(t);
}
