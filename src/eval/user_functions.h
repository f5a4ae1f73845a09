#pragma once
// FUNCTION bodies run at assembly time, and the frames holding their
// parameters while they run.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

struct Assembly;
struct TRec;

// A named value of a frame: parameters, "result", locals and statics. An
// entry owns its value (pVal points at LocalVal) or refers to a caller's
// variable or a global symbol.
struct TFunctEvalParam {
  std::string Name;
  TExpRes* pVal = nullptr;
  TExpRes LocalVal;
};

struct UserFunctionFrame {
  enum State : uint8_t { Running, Stopped, Returned };
  State state = Running;
  // entries[0] is "result"; later entries are looked up newest first.
  std::vector<std::unique_ptr<TFunctEvalParam>> entries;
};

inline constexpr size_t kMaxFrames = 100;

struct UserFunctionState {
  std::vector<UserFunctionFrame> frames;
  int32_t visible = -1;  // frame whose names the primary sees
  bool runBodies = true;
  // Set once a function takes a name that is a keyword outside "[[" "]]"
  // (a register such as f); only then do operands look for such calls.
  bool keywordNamedFunctions = false;
};

void ResetUserFunctions(Assembly& a);  // pass start

// When a user-function frame is visible and holds the name, copies its value.
bool LookupFrameName(Assembly& a, std::string_view name, TExpRes& out);
// Calls the user function (the lexer is on the item after its name).
void CallUserFunction(Assembly& a, TRec* function, TExpRes& result);

// True when the current item is a keyword (a register name such as f or a)
// that names a user function and "(" follows: functions defined inside
// "[[" "]]", where registers are not keywords, may carry such names. The
// lexer is left on the keyword.
bool AtKeywordNamedCall(Assembly& a);
