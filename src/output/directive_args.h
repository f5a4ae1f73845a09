#pragma once
// Reading the arguments of an output directive: file names, texts, numbers
// and the commas between them, with the error rules shared by every output
// directive. After the first error (which skips the rest of the line) every
// further read does nothing, so a handler reads its arguments in order and
// looks at ok() once before it records anything.

#include <cstdint>
#include <string>

struct Assembly;

class DirectiveArgs {
 public:
  // Consumes the directive's keyword, the current item.
  explicit DirectiveArgs(Assembly& a);

  bool ok() const;
  // A required comma; a missing one is "Syntax Error".
  void Comma();
  // Consumes a comma when one follows and says so (optional arguments).
  bool CommaFollows();
  // True when the next item ends the statement.
  bool AtStatementEnd();
  // A string expression; anything else is "Syntax Error".
  std::string Text();
  // A string expression resolved as an output file name.
  std::string File();
  // The same, but an empty name stays empty.
  std::string FileOrEmpty();
  int32_t Number();
  // Reports an error for this line (once) and stops further reading.
  void Fail(int errorNo);

  Assembly& a;

 private:
  bool failed_ = false;
  // Error state on entry: an error of this statement shows as a change.
  int32_t errorsAtStart_ = 0;
  int32_t lastErrorLineAtStart_ = 0;
};

struct DispatchTable;
struct TFILE_Def;
enum TFileKind : uint8_t;

// The slot for a new definition of `name` of the given kind: the slot of an
// earlier definition of that name (alwaysNew clear) or a new one, reset to a
// fresh definition, so a later directive for a file replaces an earlier one
// whatever its kind. A full table is "Ran out of resources" and gives null.
TFILE_Def* RecordFileDef(DirectiveArgs& args, TFileKind kind, const std::string& name,
                         bool alwaysNew);

// The NEX directives (nex_directives.cpp).
void RegisterNexDirectives(DispatchTable& t);
