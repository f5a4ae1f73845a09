#pragma once
// One pass: the statement loop, label definition, keyword dispatch and the
// single planting operation every instruction and data handler uses.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/types.h"

struct Assembly;
struct TRec;

// A statement handler is entered with its keyword as the current, peeked
// item. It consumes what it uses (LexNext) and leaves the item that ends the
// statement (end of line, ":" or anything it does not understand) unconsumed.
using StatementHandler = void (*)(Assembly& a, TToken keyword);

struct DispatchTable {
  std::array<StatementHandler, kTokenCount> handler{};
  // Keywords that take the pending label themselves (ORG, EQU, DEFL, ...).
  std::array<bool, kTokenCount> takesLabel{};
  void Set(TToken t, StatementHandler h, bool ownsLabel = false) {
    handler[t] = h;
    takesLabel[t] = ownsLabel;
  }
};

// Each family of statements registers its keywords.
void RegisterCoreStatements(DispatchTable& t);       // statement_loop.cpp
void RegisterPlacementDirectives(DispatchTable& t);  // placement.cpp
void RegisterZ80Instructions(DispatchTable& t);      // z80_encoder.cpp
void RegisterZ80NInstructions(DispatchTable& t);     // z80n_encoder.cpp
void RegisterDataDirectives(DispatchTable& t);       // data_directives.cpp
void RegisterConditionals(DispatchTable& t);         // conditionals.cpp
void RegisterMacroDirectives(DispatchTable& t);      // macros.cpp
void RegisterOptionDirectives(DispatchTable& t);     // symbols/option_directives.cpp
void RegisterOutputDirectives(DispatchTable& t);     // output/output_directives.cpp
void RegisterCompressDirective(DispatchTable& t);    // memtools/compress_directive.cpp
void RegisterImportDirectives(DispatchTable& t);     // memtools/import_directives.cpp

struct StatementState {
  TRec* PendingLabel = nullptr;
  bool ColonSeen = false;
  bool localLabel = false;  // "@" met: next identifier is a local label
  bool endFlag = false;
  std::vector<int32_t> dataFollows;      // this pass
  std::vector<int32_t> dataFollowsPrev;  // previous pass
  std::string nameScratch;               // where a label's full name is composed
};

void RunPass(Assembly& a);

void PlantByte(Assembly& a, uint8_t value, bool isCode, bool flows, bool writable);
inline void PlantCode(Assembly& a, uint8_t v) { PlantByte(a, v, true, true, false); }
inline void PlantCodeNoFlow(Assembly& a, uint8_t v) { PlantByte(a, v, true, false, false); }
inline void PlantData(Assembly& a, uint8_t v) { PlantByte(a, v, false, false, false); }
void PlantCodeWord(Assembly& a, int32_t v, bool writable);
void PlantCodeWordNoFlow(Assembly& a, int32_t v, bool writable);

// Flow warning check before data or space; clears Flows.
void FlowCheck(Assembly& a);

// Defines the pending label (if any) at PC and clears it.
void DefinePendingLabelAtPC(Assembly& a);
