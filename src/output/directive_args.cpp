#include "output/directive_args.h"

#include "assembler/assembly.h"

DirectiveArgs::DirectiveArgs(Assembly& assembly)
    : a(assembly),
      errorsAtStart_(assembly.pass.nErrors),
      lastErrorLineAtStart_(assembly.diag.lastErrorLine) {
  LexNext(a);
}

bool DirectiveArgs::ok() const {
  if (failed_ || a.pass.abort || a.pass.nErrors != errorsAtStart_) return false;
  return a.diag.lastErrorLine == lastErrorLineAtStart_ ||
         a.diag.lastErrorLine != a.diag.currentLine;
}

void DirectiveArgs::Fail(int errorNo) {
  if (ok()) ReportError(a, errorNo);
  failed_ = true;
}

void DirectiveArgs::Comma() {
  if (!ok()) return;
  LexPeek(a);
  if (ItemIsChar(a.lex.pos, ",")) {
    LexNext(a);
    return;
  }
  Fail(E_SyntaxError);
}

bool DirectiveArgs::CommaFollows() {
  if (!ok()) return false;
  LexPeek(a);
  if (!ItemIsChar(a.lex.pos, ",")) return false;
  LexNext(a);
  return true;
}

bool DirectiveArgs::AtStatementEnd() {
  if (!ok()) return true;
  LexPeek(a);
  return ItemEndsStatement(a.lex.pos);
}

std::string DirectiveArgs::Text() {
  if (!ok()) return {};
  std::string s = EvalString(a);
  return ok() ? s : std::string();
}

std::string DirectiveArgs::File() {
  std::string name = Text();
  return ok() ? ResolveOutputName(a, name) : std::string();
}

std::string DirectiveArgs::FileOrEmpty() {
  std::string name = Text();
  return ok() && !name.empty() ? ResolveOutputName(a, name) : std::string();
}

int32_t DirectiveArgs::Number() {
  if (!ok()) return 0;
  int32_t v = EvalInteger(a);
  return ok() ? v : 0;
}

TFILE_Def* RecordFileDef(DirectiveArgs& args, TFileKind kind, const std::string& name,
                         bool alwaysNew) {
  int32_t slot = FindOrAddFileDef(args.a, name, alwaysNew);
  if (slot < 1) {
    args.Fail(E_OutOfResources);
    return nullptr;
  }
  TFILE_Def& d = FileDef(args.a, slot);
  d = TFILE_Def{};
  d.Sort = kind;
  d.FileName = name;
  return &d;
}
