#pragma once
// The list engine shared by the data directives (internal to them).

#include <cstdint>
#include <string_view>

#include "common/types.h"

struct Assembly;

// What an element of a data list plants. The keyword that starts a list
// chooses the first kind; kind keywords inside the list switch it.
enum class ElementKind : uint8_t {
  Byte,
  ByteTerminated,  // strings end with bit 7 set on their last character
  Word,
  Long,
  WordHighFirst,
  LongHighFirst,
  Float,
  Space,
  VariableSpace,  // space whose bytes are not readable before written
};

// The kind a keyword selects inside a list; false for other keywords. DEFM
// and DEFS only start statements: inside a list they are no kind switch.
bool KindOfKeyword(TToken t, ElementKind& kind);

// The kind with which the list of a statement keyword starts.
ElementKind StartKind(TToken t);

// Assembles a comma-separated list of elements starting in the given kind.
// With scramble set (DBX family) every byte but those of float elements is
// XOR-ed with the process-wide key, which then steps.
void AssembleDataList(Assembly& a, ElementKind start, bool scramble);

// One space element: count, then the fill byte after the separator ("," when
// standalone, ":" inside a list).
void AssembleSpace(Assembly& a, bool variable, std::string_view fillSeparator, bool scramble);

// Plants one data byte, scrambled when asked.
void PlantDataByte(Assembly& a, uint8_t v, bool writable, bool scramble);

// Writable mark of an element: labelled elements are writable (and the label
// is defined here, at PC); others follow zoConstData.
bool ElementWritable(Assembly& a, const std::string& operandLabel);
bool DataWritable(const Assembly& a);

// Notices whether an error was counted while it lived (the error reporter
// skips the rest of the line, so the caller should stop).
class ErrorWatch {
 public:
  explicit ErrorWatch(const Assembly& a);
  bool Fired(const Assembly& a) const;

 private:
  int32_t before_;
};
