// The NEX directives: OUTPUT_NEX declares a NEX file and records it in every
// pass (not only the final one); OUTPUT_NEX_DATA appends bytes to it in every
// pass; OUTPUT_NEX_SCREEN and OUTPUT_NEX_PALETTE add a loading screen and its
// palette in the final pass.

#include <algorithm>
#include <cerrno>
#include <optional>

#include "assembler/assembly.h"
#include "output/directive_args.h"
#include "output/nex_rules.h"
#include "support/file_read.h"
#include "support/paths.h"

namespace {

// At most this many bytes come from one OUTPUT_NEX_DATA.
constexpr size_t kMaxNexDataBytes = 0x300000;

TFILE_Def* FindNexDef(Assembly& a, const std::string& file) {
  int32_t slot = FindFileDef(a, file);
  if (slot < 1) return nullptr;
  TFILE_Def& d = FileDef(a, slot);
  return d.Sort == ftNex ? &d : nullptr;
}

void ReportMissingFile(DirectiveArgs& args, const std::string& name) {
  if (!args.ok()) return;
  ReportErrorText(args.a, E_FileNotFound, ", looking for \"" + name + "\"", true);
}

// OUTPUT_NEX file, sp, pc [, core [, entry bank [, bank delay [, loaded delay
//   [, keep registers [, border]]]]]]
void OutputNex(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  args.Comma();
  int32_t sp = args.Number();
  args.Comma();
  int32_t pc = args.Number();
  std::string core = "0.0.0";
  int32_t entryBank = 0, bankDelay = 0, loadedDelay = 0, keepRegs = 0, border = 0;
  if (args.CommaFollows()) {
    core = args.Text();
    if (args.CommaFollows()) {
      entryBank = args.Number();
      if (args.CommaFollows()) {
        bankDelay = args.Number();
        if (args.CommaFollows()) {
          loadedDelay = args.Number();
          if (args.CommaFollows()) {
            keepRegs = args.Number();
            if (args.CommaFollows()) border = args.Number();
          }
        }
      }
    }
  }
  if (!args.ok()) return;
  const int32_t line = a.diag.currentLine;
  if (FindNexDef(a, file)) Warning(a, line, "Duplicated NEX file");
  if (entryBank > 0 && pc < 0xC000) Warning(a, line, "PC should be >=$C000");
  uint8_t version[3];
  if (!ParseNexCoreVersion(core, version)) Warning(a, line, "Core string format error");
  TFILE_Def* d = RecordFileDef(args, ftNex, file, false);
  if (!d) return;
  d->SP = sp;
  d->PC = pc;
  d->sNEX_CORE_REQUIRED = core;
  d->NEX_ENTRY_BANK = static_cast<uint8_t>(entryBank);
  d->NEX_LOADING_BANK_DELAY = static_cast<uint8_t>(bankDelay);
  d->NEX_LOADED_DELAY = static_cast<uint8_t>(loadedDelay);
  d->bNEX_DONT_RESET_REGS = keepRegs != 0;
  d->NEX_BORDER_COLOUR = static_cast<uint8_t>(border);
  d->NEXpu8FileHandle = IntegerOfSymbol(a, "pu8NEXFileHandle", -1);
  d->NEXu16CmdLineLength = IntegerOfSymbol(a, "u16NEXCmdLineLength", -1);
  d->NEXpu8CmdLineBase = IntegerOfSymbol(a, "pu8NEXCmdLineBase", -1);
  if (pc > 0) a.machine.defaultStartPC = static_cast<uint16_t>(pc);
  if (sp > 0) a.machine.defaultStartSP = static_cast<uint16_t>(sp);
}

// The byte list of OUTPUT_NEX_DATA: comma-separated items, each a data
// keyword that sets how the following items are written, or a value.
class NexDataList {
 public:
  explicit NexDataList(DirectiveArgs& args) : args_(args), a_(args.a) {}

  std::vector<uint8_t> Parse() {
    do {
      Item();
    } while (args_.ok() && args_.CommaFollows());
    if (!args_.ok()) return {};
    FillLengthFields();
    if (args_.ok() && out_.empty()) args_.Fail(E_SyntaxError);
    return std::move(out_);
  }

 private:
  enum class Mode { kByte, kTerminated, kWord, kWordBE, kLong, kLongBE, kSpace };
  struct LengthField {
    size_t position;
    int size;
  };

  void Item() {
    LexPeek(a_);
    const TLexPos& p = a_.lex.pos;
    if (p.Item == I_TokenN && Keyword(p.ITokVal)) return;
    if (fileNext_) {
      fileNext_ = false;
      AppendFile(args_.Text());
      return;
    }
    TExpRes v = EvalExpression(a_);
    if (!args_.ok()) return;
    if (v.Sort == erFloat || v.Sort == erError) {
      args_.Fail(E_SyntaxError);
      return;
    }
    if (mode_ == Mode::kSpace) {
      Space(v);
      return;
    }
    if (v.Sort == erInteger) {
      Put(static_cast<uint32_t>(v.Int));
      return;
    }
    for (size_t i = 0; i < v.Str.size(); ++i) {
      uint32_t c = static_cast<uint8_t>(v.Str[i]);
      if (mode_ == Mode::kTerminated && i + 1 == v.Str.size()) c |= 0x80;
      Put(c);
    }
  }

  // A data keyword: sets the mode (or places a length field) and is consumed.
  bool Keyword(TToken t) {
    switch (t) {
      case tDB:
      case tDEFB:
        mode_ = Mode::kByte;
        break;
      case tDBTB:
        mode_ = Mode::kTerminated;
        break;
      case tDW:
      case tDEFW:
        mode_ = Mode::kWord;
        break;
      case tDEFWBE:
        mode_ = Mode::kWordBE;
        break;
      case tDL:
      case tDEFL:
        mode_ = Mode::kLong;
        break;
      case tDEFLBE:
        mode_ = Mode::kLongBE;
        break;
      case tDS:
      case tDEFV:
        mode_ = Mode::kSpace;
        break;
      case tDF:
        fileNext_ = true;
        break;
      case tDBL:
      case tDBLW:
      case tDBLL: {
        int size = t == tDBL ? 1 : t == tDBLW ? 2 : 4;
        fields_.push_back({out_.size(), size});
        for (int i = 0; i < size; ++i) PutByte(0);
        mode_ = Mode::kByte;
        break;
      }
      default:
        return false;
    }
    LexNext(a_);
    return true;
  }

  void PutByte(uint32_t b) {
    if (!args_.ok()) return;
    if (out_.size() >= kMaxNexDataBytes) {
      args_.Fail(E_OutOfResources);
      return;
    }
    out_.push_back(static_cast<uint8_t>(b));
  }

  void Put(uint32_t v) {
    switch (mode_) {
      case Mode::kByte:
      case Mode::kTerminated:
      case Mode::kSpace:
        PutByte(v);
        break;
      case Mode::kWord:
        PutByte(v);
        PutByte(v >> 8);
        break;
      case Mode::kWordBE:
        PutByte(v >> 8);
        PutByte(v);
        break;
      case Mode::kLong:
        for (int s = 0; s < 32; s += 8) PutByte(v >> s);
        break;
      case Mode::kLongBE:
        for (int s = 24; s >= 0; s -= 8) PutByte(v >> s);
        break;
    }
  }

  // count [":" fill]
  void Space(const TExpRes& countValue) {
    int64_t count;
    if (countValue.Sort == erInteger)
      count = countValue.Int;
    else if (countValue.Str.size() == 1)
      count = static_cast<uint8_t>(countValue.Str[0]);
    else {
      args_.Fail(E_SyntaxError);
      return;
    }
    int32_t fill = 0;
    LexPeek(a_);
    if (ItemIsChar(a_.lex.pos, ":")) {
      LexNext(a_);
      fill = args_.Number();
      if (!args_.ok()) return;
      if (fill < -128 || fill > 255) {
        args_.Fail(E_RangeError);
        return;
      }
    }
    PutBytes(count, static_cast<uint8_t>(fill));
  }

  // `count` copies of one byte, as many single bytes would be (up to the
  // limit, then the error), in one step.
  void PutBytes(int64_t count, uint8_t b) {
    if (!args_.ok() || count <= 0) return;
    const size_t room = kMaxNexDataBytes - std::min(out_.size(), kMaxNexDataBytes);
    const size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(room)));
    out_.insert(out_.end(), n, b);
    if (static_cast<size_t>(count) > n) args_.Fail(E_OutOfResources);
  }

  // DF: the whole contents of a file.
  void AppendFile(const std::string& written) {
    if (!args_.ok()) return;
    std::string name = ResolveOutputName(a_, written);
    int64_t size = RegularFileSize(name);
    if (size < 0 || !CanOpenForReading(name)) {
      ReportMissingFile(args_, name);
      return;
    }
    size_t room = kMaxNexDataBytes - out_.size();
    std::string bytes;
    // A read failure after the open appends what was read, as a short file.
    (void)ReadFileStart(name, bytes, room);
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    if (static_cast<size_t>(size) > room) args_.Fail(E_OutOfResources);
  }

  // Each length field receives the number of bytes that followed it.
  void FillLengthFields() {
    for (const LengthField& f : fields_) {
      uint64_t length = out_.size() - f.position - static_cast<size_t>(f.size);
      if ((f.size == 1 && length > 255) || (f.size == 2 && length > 65535)) {
        if (args_.ok()) ReportErrorText(a_, E_RangeError, "In a dbl", true);
        return;
      }
      for (int i = 0; i < f.size; ++i)
        out_[f.position + i] = static_cast<uint8_t>(length >> (8 * i));
    }
  }

  DirectiveArgs& args_;
  Assembly& a_;
  Mode mode_ = Mode::kByte;
  bool fileNext_ = false;
  std::vector<LengthField> fields_;
  std::vector<uint8_t> out_;
};

// OUTPUT_NEX_DATA file, data list
void OutputNexData(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  args.Comma();
  if (!args.ok()) return;
  std::vector<uint8_t> bytes = NexDataList(args).Parse();
  if (!args.ok()) return;
  TFILE_Def* d = FindNexDef(a, file);
  if (!d) {
    Warning(a, a.diag.currentLine, "This file has no corresponding output_nex block!");
    return;
  }
  d->ExtraData.insert(d->ExtraData.end(), bytes.begin(), bytes.end());
  d->ExtraCount = static_cast<uint32_t>(d->ExtraData.size());
}

// A picture or palette argument: a file name, or an empty name followed by
// start, length in memory.
struct DataSource {
  std::string written;  // the file name as written in the source
  std::string file;     // resolved; empty when the data is in memory
  uint32_t start = 0, length = 0;
};

DataSource ReadDataSource(DirectiveArgs& args) {
  DataSource s;
  std::string name = args.Text();
  if (!args.ok()) return s;
  if (!name.empty()) {
    s.written = name;
    s.file = ResolveOutputName(args.a, name);
    return s;
  }
  args.Comma();
  s.start = static_cast<uint32_t>(args.Number());
  args.Comma();
  s.length = static_cast<uint32_t>(args.Number());
  return s;
}

// OUTPUT_NEX_SCREEN file, picture (or "", start, length), loading bar,
//   bar colour [, hi-res colour]
void OutputNexScreen(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  args.Comma();
  DataSource screen = ReadDataSource(args);
  args.Comma();
  int32_t bar = args.Number();
  args.Comma();
  int32_t barColour = args.Number();
  int32_t hiResColour = -1;
  if (args.CommaFollows()) hiResColour = args.Number();
  if (!args.ok() || !a.pass.clean) return;
  const int32_t line = a.diag.currentLine;
  TFILE_Def* d = FindNexDef(a, file);
  if (!d) {
    Warning(a, line, "This file has no corresponding output_nex block!");
    return;
  }
  TNEX_SCREEN_FILE kind = ClassifyNexScreenLength(screen.length);
  std::string problem;
  if (!screen.file.empty()) {
    int64_t size = RegularFileSize(screen.file);
    std::optional<std::string> bytes = ReadNexInputFile(screen.file, kMaxNexScreenFileBytes);
    if (size < 0 || !bytes) {
      ReportMissingFile(args, screen.file);
      return;
    }
    NexScreenFileKind k =
        ClassifyNexScreenFile(*bytes, static_cast<uint64_t>(size), screen.written);
    kind = k.kind;
    problem = std::move(k.warning);
  }
  if (d->bNEXHadScreen) Warning(a, line, "This nex file already has a screen defined!");
  if (!problem.empty()) Warning(a, line, problem);
  d->bNEXHadScreen = true;
  d->bNEXHadScreenFile = !screen.file.empty();
  d->NEXScreenFile = screen.file;
  d->NEXScreenMemStart = screen.start;
  d->NEXScreenMemLen = screen.length;
  d->NEXScreenType = kind;
  d->bNEXLOADING_BAR = bar != 0;
  d->NEXLOADING_COLOUR = barColour;
  d->NEXHI_RES_COLOUR = hiResColour;
}

// OUTPUT_NEX_PALETTE file, palette (or "", start, length)
void OutputNexPalette(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::string file = args.File();
  args.Comma();
  DataSource palette = ReadDataSource(args);
  if (!args.ok() || !a.pass.clean) return;
  const int32_t line = a.diag.currentLine;
  TFILE_Def* d = FindNexDef(a, file);
  if (!d) {
    Warning(a, line, "This file has no corresponding output_nex block");
    return;
  }
  if (!d->bNEXHadScreen) {
    Warning(a, line, "Must have a screen before you can have a palette!");
    return;
  }
  int64_t length = palette.length;
  if (!palette.file.empty()) {
    length = RegularFileSize(palette.file);
    if (length < 0) {
      ReportMissingFile(args, palette.file);
      return;
    }
  }
  if (d->bNEXHadPalette) Warning(a, line, "This nex file already has a palette defined!");
  if (length != 256 && length != 512)
    Warning(a, line, "This isn't a recognised palette file type!");
  d->bNEXHadPalette = true;
  d->bNEXHadPaletteFile = !palette.file.empty();
  d->NEXPaletteFile = palette.file;
  d->NEXPaletteMemStart = palette.start;
  d->NEXPaletteMemLen = palette.length;
}

}  // namespace

bool ParseNexCoreVersion(std::string_view text, uint8_t version[3]) {
  if (text.size() < 5) return false;
  size_t i = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
    size_t digits = 0;
    uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[i] - '0');
      if (value > 255) return false;
      ++i;
      ++digits;
    }
    if (digits == 0) return false;
    version[part] = static_cast<uint8_t>(value);
  }
  return i == text.size();
}

TNEX_SCREEN_FILE ClassifyNexScreenLength(uint64_t length) {
  switch (length) {
    case 0:
      return nsftVoid;
    case 6912:
      return nsftULA;
    case 6976:
      return nsftULA_64;
    case 12288:
      return nsftTIMEX_HC;
    case 12289:
      return nsftTIMEX_HR;
    case 12352:
      return nsftTIMEX_HC_64;
    case 12353:
      return nsftTIMEX_HR_64;
    default:
      return nsftUNKNOWN;
  }
}

void RegisterNexDirectives(DispatchTable& t) {
  t.Set(tOUTPUT_NEX, OutputNex);
  t.Set(tOUTPUT_NEX_DATA, OutputNexData);
  t.Set(tOUTPUT_NEX_SCREEN, OutputNexScreen);
  t.Set(tOUTPUT_NEX_PALETTE, OutputNexPalette);
}
