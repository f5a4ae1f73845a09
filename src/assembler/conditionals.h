#pragma once
// Conditional assembly (IF, SWITCH) and loops (REPEAT, WHILE, FOR, LOOP,
// REPT), done by scanning the token stream and returning to saved positions.

#include <cstdint>
#include <vector>

struct Assembly;

// The stacks of open constructs; each handler file extends this record.
struct CondState {
  std::vector<int32_t> placeholder;
};

void ResetConditionals(Assembly& a);    // pass start and end of run
void CheckOpenConstructs(Assembly& a);  // end-of-pass errors
