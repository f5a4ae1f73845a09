#include "assembler/assembly.h"

namespace {

DispatchTable BuildDispatchTable() {
  DispatchTable t;
  RegisterCoreStatements(t);
  RegisterPlacementDirectives(t);
  RegisterZ80Instructions(t);
  RegisterZ80NInstructions(t);
  RegisterDataDirectives(t);
  RegisterConditionals(t);
  RegisterMacroDirectives(t);
  RegisterOptionDirectives(t);
  RegisterOutputDirectives(t);
  RegisterCompressDirective(t);
  RegisterImportDirectives(t);
  return t;
}

const DispatchTable& ProgramDispatchTable() {
  static const DispatchTable table = BuildDispatchTable();
  return table;
}

}  // namespace

Assembly::Assembly(Environment e) : env(std::move(e)), dispatch(ProgramDispatchTable()) {}
