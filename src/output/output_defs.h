#pragma once
// Output definitions recorded by the output directives in the clean final
// pass, and the write-out that hands each to its writer after the run.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct Assembly;

// What a definition produces. The values are fixed: other tools and tests
// refer to them by number.
enum TFileKind : uint8_t {
  ftNull,          // free slot
  ftBinary,        // OUTPUT_BIN
  ftBinaryInsert,  // OUTPUT_BIN with an offset: patch an existing file
  ftHex,           // no directive
  ftSrecHex,       // OUTPUT_SREC, OUTPUT_MOTOROLA
  ftIntelHex,      // OUTPUT_INTEL
  ftRaw,           // no directive
  ftSZX,           // OUTPUT_SZX
  ftSYM,           // EXPORT_SYM
  ftHexDB,         // OUTPUT_DB
  ftHexNAS,        // no directive
  ftDelphiUnit,    // OUTPUT_UNIT
  ftZivevuArray,   // OUTPUT_C
  ftPara,          // OUTPUT_PARA (recorded only)
  ftTZX,           // OUTPUT_TZX
  ftZ80,           // OUTPUT_Z80
  ftSNA,           // OUTPUT_SNA
  ftTAP,           // OUTPUT_TAP
  ftRawHex,        // OUTPUT_HEX
  ftInvoke,        // VELDINVOKE
  ftTextFile,      // OUTPUT_TEXT
  ftCPM,           // OUTPUT_CPM
  ftList,          // OUTPUT_LIST
  ftNex,           // OUTPUT_NEX
  ftFileCopy,      // VELDCOPYFILE
  ftFileMove,      // VELDMOVEFILE
  ftFileDelete,    // VELDDELETEFILE
};

// One block of memory named by a tape definition.
struct TBLOCK_DEFN {
  uint8_t Page = 0;     // always 0 as recorded by the tape directives
  uint32_t Base = 0;    // logical address
  uint32_t Length = 0;  // bytes
};

inline constexpr int kMaxTapeBlocks = 256;

// Kind of a NEX loading screen.
enum TNEX_SCREEN_FILE : uint8_t {
  nsftVoid,
  nsftULA,
  nsftULA_64,
  nsftTIMEX_HC,
  nsftTIMEX_HC_64,
  nsftTIMEX_HR,
  nsftTIMEX_HR_64,
  nsftImage,
  nsftUNKNOWN,
};

// One output definition. A cleared definition (the default) is a free slot.
struct TFILE_Def {
  TFileKind Sort = ftNull;
  std::string FileName;   // resolved output name; the VELDINVOKE command; "ParaSys"
  std::string Directory;  // copy/move destination; VELDINVOKE working folder
  std::string UnitName;   // OUTPUT_UNIT/OUTPUT_C name; tape program name
  std::string UnitVarName;
  std::string Comment;  // OUTPUT_UNIT/OUTPUT_C comment; TZX description; OUTPUT_TEXT text
  uint32_t Start = 0;   // first logical address; VELDINVOKE wait flag
  uint32_t Length = 0;
  uint32_t Options = 0;  // EXPORT_SYM options; OUTPUT_LIST value
  int32_t PC = 0;        // -1 = not given
  int32_t SP = 0;        // -1 = not given
  uint32_t Param1 = 0, Param2 = 0, Param3 = 0, Param4 = 0, Param5 = 0, Param6 = 0, Param7 = 0,
           Param8 = 0, Param9 = 0;
  int32_t BlockCnt = 0;
  // Blocks of a multi-block tape: entries 0 to BlockCnt - 1 are valid; at most
  // kMaxTapeBlocks. Held in a vector so that an unused slot costs nothing.
  std::vector<TBLOCK_DEFN> BlockList;
  std::string sNEX_CORE_REQUIRED;
  uint8_t NEX_ENTRY_BANK = 0;
  uint8_t NEX_BORDER_COLOUR = 0;
  uint8_t NEX_LOADING_BANK_DELAY = 0;
  uint8_t NEX_LOADED_DELAY = 0;
  bool bNEX_DONT_RESET_REGS = false;
  bool bNEXLOADING_BAR = false;
  int32_t NEXLOADING_COLOUR = 0;
  int32_t NEXHI_RES_COLOUR = -1;
  bool bNEXHadScreen = false;
  std::string NEXScreenFile;
  TNEX_SCREEN_FILE NEXScreenType = nsftVoid;
  bool bNEXHadScreenFile = false;
  uint32_t NEXScreenMemStart = 0;
  uint32_t NEXScreenMemLen = 0;
  bool bNEXHadPalette = false;
  std::string NEXPaletteFile;
  bool bNEXHadPaletteFile = false;
  uint32_t NEXPaletteMemStart = 0;
  uint32_t NEXPaletteMemLen = 0;
  int32_t NEXpu8FileHandle = -1;
  int32_t NEXu16CmdLineLength = -1;
  int32_t NEXpu8CmdLineBase = -1;
  std::vector<uint8_t> ExtraData;
  uint32_t ExtraCount = 0;
};

// The table has 512 slots numbered from 0; slots 1 to 511 are handed out in
// order. Slots are made when first handed out (a small source starts without
// building all 512) and keep their addresses; every slot at or above
// `nextFree` is always clear, so clearing the table only has to touch the
// slots in use.
inline constexpr int kFileDefSlots = 512;

struct OutputDefs {
  std::deque<TFILE_Def> slots = std::deque<TFILE_Def>(1);
  int32_t nextFree = 1;
  // Current symbol-export options, set by EXPORT_SYM on every pass.
  uint32_t symbolExportOptions = 0;
};

// Clears every slot in use and sets the next-free counter to 1.
void ClearFileDefs(Assembly& a);
// The next free slot number, or -1 when all 511 are taken.
int32_t AllocFileDef(Assembly& a);
// The slot of the first definition named `name` (exact comparison), or the
// first free slot, or a new one; with `alwaysNew` always a new one. Below 1
// when the table is full.
int32_t FindOrAddFileDef(Assembly& a, std::string_view name, bool alwaysNew);
// The slot of the first definition named `name`, or -1.
int32_t FindFileDef(const Assembly& a, std::string_view name);
TFILE_Def& FileDef(Assembly& a, int32_t slot);

// Resolves a file name written in the source to the name an output
// definition records: "\" reads as "/"; a name starting with "/", or written
// with "\" separators or a ":" (such as a CP/M "A:NAME.COM"), is kept as
// written (relative names then refer to the current folder); any other name
// is placed in the folder of the main source file, so a bare name lands next
// to it and an empty name is that folder itself.
std::string ResolveOutputName(const Assembly& a, std::string_view name);

// The bytes of `length` logical addresses from `start` on, read through the
// machine model's mapping; an address that maps nowhere reads the dump cell.
// At most kMaxRangeBytes are fetched.
inline constexpr uint32_t kMaxRangeBytes = 0x238000;
std::string FetchRangeBytes(const Assembly& a, uint32_t start, uint32_t length);

// Writes every recorded definition in slot order, then runs the recorded
// commands, then clears the table. Returns false after an I/O failure (the
// message naming the file and the reason is already printed).
bool WriteOutputFiles(Assembly& a);
