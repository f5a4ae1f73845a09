// VELDCOMPRESS start, end, exec [, stub [, options]]: records the block to
// compress after the final pass and moves the location counter to where the
// planted block ends, so code after the directive follows it.

#include "assembler/assembly.h"
#include "memtools/compress.h"
#include "output/directive_args.h"

namespace {

constexpr int32_t kDefaultStub = 0x5B00;

bool IsAddress(int32_t v) { return v >= 0 && v <= 0xFFFF; }

void HandleCompress(Assembly& a, TToken) {
  DirectiveArgs args(a);
  CompressParams p;
  p.source = a.diag.currentSource;
  p.line = a.diag.currentLine;
  p.start = args.Number();
  args.Comma();
  p.end = args.Number();
  args.Comma();
  p.exec = args.Number();
  p.stub = kDefaultStub;
  if (args.CommaFollows()) {
    p.stub = args.Number();
    if (args.CommaFollows()) p.options = args.Number();
  }
  if (!args.ok()) return;
  // The block, its execute address and the stub all lie in the 64K the
  // expand routine sees; an empty block compresses to the end marker alone.
  if (!IsAddress(p.start) || p.end < 0 || p.end > 0x10000 || !IsAddress(p.exec) ||
      !IsAddress(p.stub)) {
    args.Fail(E_AddressError);
    return;
  }
  if (p.end < p.start) {
    args.Fail(E_RangeError);
    return;
  }
  CompressState& c = a.compress;
  if (a.pass.compressSeen)
    Warning(a, a.diag.currentLine, "Only the last VELDCOMPRESS of a pass is carried out");
  c.params = p;
  a.pass.compressSeen = true;
  CurSeg(a).PC = c.compressed ? c.endAddress : p.stub;
}

}  // namespace

void RegisterCompressDirective(DispatchTable& t) { t.Set(tVELDCOMPRESS, HandleCompress); }
