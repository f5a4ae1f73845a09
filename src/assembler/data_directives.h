#pragma once
// Data and space directives: byte, word, long and float lists, strings,
// reserved space, length-prefixed and XOR-scrambled data, hex strings and
// graphic bit rows.

#include <cstdint>

struct Assembly;

// State of the data directives; the XOR key and step of DBX carry over for
// the whole process.
struct DataState {
  int32_t placeholder = 0;
};
