#!/usr/bin/env python3
"""The example programs under examples/, assembled and run by tools we did
not write.

- ZX Spectrum 48K (examples/zx48): SkoolKit's tap2sna loads the mode 1 TZX
  with the real ROM and memory contention; the loading screen in memory must
  be the one the source describes (checkerboard, rainbow, the word VELD).
  The program then runs to its main loop: the line it prints must be the
  ROM's font, read from SkoolKit's ROM image. trace.py runs the SNA to the
  same point and on for some frames (the frame counter moves). libz80ex runs
  the SNA with the ROM while a key is held: the letters change colour once a
  frame and nothing else changes.
- ZX Spectrum 128K (examples/zx128): the mode 3 TAP loaded by tap2sna on a
  128K, and the SNA run by trace.py, reach the main loop with the marks of
  the routines in banks 1 and 3 set and both halves of the screen painted.
- Packed (examples/packed): the self-extracting block, from the SNA (trace.py)
  and from the mode 2 tape (tap2sna), expands to the bytes of a plain
  assembly of the same source without VELDCOMPRESS; the program then draws
  its picture.
- CP/M (examples/cpm): build.sh formats a drive with cpmtools and assembles;
  cpmls lists POWERS.COM, fsck.cpm finds nothing wrong, and the file copied
  out by cpmcp, run by libz80ex with the two BDOS calls it makes, prints the
  powers of two.
- Amstrad CPC (examples/cpc): the snapshot's header (from the published
  layout) and a run of its memory by libz80ex: the gate array writes and
  the colour bars on the screen.
- ZX Spectrum Next (examples/next): title.png is what make_title.py makes,
  and the NEX holds its pixels and its palette (9-bit entries by the Next's
  rule) as the layer 2 loading screen.

The Spectrum runs need SkoolKit; without it they are skipped (exit 77 after
the other checks).

Usage: check_examples.py QAS   (VELD_TOOLS_DIR: scratch folder)
"""
import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import skoolkit_env  # noqa: E402

EXAMPLES = os.path.normpath(os.path.join(HERE, "..", "..", "examples"))
QAS = os.path.abspath(sys.argv[1])
FAILURES = []
SKIPPED = []

# Runs Z80 code from a 64K image: T-state budget (then on to an address when
# one is given), optional 50 Hz interrupts,
# a fixed or toggling IN value, ROM write protection, and the CP/M BDOS
# functions 2 and 9 trapped at address 5 (the program ends at address 0).
# Writes the memory back, the BDOS output to stdout and every OUT to stderr.
RUNNER = r"""
#include <z80ex/z80ex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char mem[65536];
static int rom, toggle, in_value = 0xFF, reads;

static Z80EX_BYTE rd(Z80EX_CONTEXT *c, Z80EX_WORD a, int m1, void *u) { return mem[a]; }
static void wr(Z80EX_CONTEXT *c, Z80EX_WORD a, Z80EX_BYTE v, void *u) {
  if (!rom || a >= 0x4000) mem[a] = v;
}
static Z80EX_BYTE in(Z80EX_CONTEXT *c, Z80EX_WORD p, void *u) {
  return toggle ? (++reads & 1 ? 0xFF : 0xFE) : in_value;
}
static void out(Z80EX_CONTEXT *c, Z80EX_WORD p, Z80EX_BYTE v, void *u) {
  fprintf(stderr, "OUT %04X %02X\n", p, v);
}
static Z80EX_BYTE ack(Z80EX_CONTEXT *c, void *u) { return 0xFF; }

int main(int argc, char **argv) {
  if (argc < 7) return 2;
  FILE *f = fopen(argv[1], "rb");
  if (!f || fread(mem, 1, 65536, f) != 65536) return 2;
  fclose(f);
  int pc = strtol(argv[3], 0, 0), sp = strtol(argv[4], 0, 0);
  long budget = strtol(argv[5], 0, 0), frame = 0, bdos = 0, ei = 0, until = -1;
  for (int i = 6; i < argc; ++i) {
    if (!strcmp(argv[i], "rom")) rom = 1;
    else if (!strcmp(argv[i], "toggle")) toggle = 1;
    else if (!strcmp(argv[i], "bdos")) bdos = 1;
    else if (!strcmp(argv[i], "ei")) ei = 1;
    else if (!strncmp(argv[i], "in=", 3)) in_value = strtol(argv[i] + 3, 0, 0);
    else if (!strncmp(argv[i], "frame=", 6)) frame = strtol(argv[i] + 6, 0, 0);
    else if (!strncmp(argv[i], "until=", 6)) until = strtol(argv[i] + 6, 0, 0);
  }
  Z80EX_CONTEXT *cpu = z80ex_create(rd, 0, wr, 0, in, 0, out, 0, ack, 0);
  z80ex_set_reg(cpu, regPC, pc);
  z80ex_set_reg(cpu, regSP, sp);
  z80ex_set_reg(cpu, regIY, 0x5C3A);
  z80ex_set_reg(cpu, regIM, 1);
  z80ex_set_reg(cpu, regIFF1, ei);
  z80ex_set_reg(cpu, regIFF2, ei);
  long t = 0, next_int = frame;
  for (;;) {
    int at = z80ex_get_reg(cpu, regPC);
    if (t >= budget && (until < 0 || (at == until && !z80ex_last_op_type(cpu)))) break;
    if (t >= 4 * budget) return 3;
    if (bdos && !z80ex_last_op_type(cpu) && at == 0) break;
    if (bdos && !z80ex_last_op_type(cpu) && at == 5) {
      int c = z80ex_get_reg(cpu, regBC) & 0xFF, de = z80ex_get_reg(cpu, regDE);
      if (c == 2) putchar(de & 0xFF);
      if (c == 9) for (int a = de; mem[a & 0xFFFF] != '$'; ++a) putchar(mem[a & 0xFFFF]);
      int s = z80ex_get_reg(cpu, regSP);
      z80ex_set_reg(cpu, regPC, mem[s] | mem[(s + 1) & 0xFFFF] << 8);
      z80ex_set_reg(cpu, regSP, (s + 2) & 0xFFFF);
      continue;
    }
    t += z80ex_step(cpu);
    if (frame && t >= next_int) {
      t += z80ex_int(cpu);
      next_int += frame;
    }
  }
  f = fopen(argv[2], "wb");
  if (!f || fwrite(mem, 1, 65536, f) != 65536) return 2;
  fclose(f);
  return 0;
}
"""


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL: " + what)
    return ok


class Work:
    def __init__(self):
        base = os.environ.get("VELD_TOOLS_DIR") or tempfile.gettempdir()
        os.makedirs(base, exist_ok=True)
        self.dir = tempfile.mkdtemp(prefix="examples", dir=base)
        self.runner = None

    def example(self, name):
        """A copy of examples/NAME to build in."""
        folder = os.path.join(self.dir, name)
        shutil.copytree(os.path.join(EXAMPLES, name), folder)
        return folder

    def assemble(self, folder, source):
        """Assembles SOURCE through a wrapper that also exports the labels;
        returns {label: value} or None."""
        with open(os.path.join(folder, "check.asm"), "w") as f:
            f.write(f' INCLUDE "{source}"\n EXPORT_SYM "labels.sym", $10083\n')
        p = subprocess.run([QAS, "check.asm"], cwd=folder, capture_output=True, text=True,
                           timeout=120)
        if not check(p.returncode == 0, f"{source}: qas failed: {p.stdout}{p.stderr}"):
            return None
        labels = {}
        with open(os.path.join(folder, "labels.sym")) as f:
            for line in f:
                value, name = line.split()
                labels[name] = int(value)
        return labels

    def build_runner(self):
        """Compiles the libz80ex runner once; None when that fails."""
        if self.runner is None:
            src = os.path.join(self.dir, "z80run.c")
            with open(src, "w") as f:
                f.write(RUNNER)
            exe = os.path.join(self.dir, "z80run")
            p = subprocess.run(["cc", "-O2", "-o", exe, src, "-lz80ex"], capture_output=True,
                               text=True)
            self.runner = exe if p.returncode == 0 else ""
            if not self.runner:
                print("libz80ex is not usable: runs skipped\n" + p.stderr[-300:])
                SKIPPED.append("libz80ex")
        return self.runner or None

    def run(self, image, pc, sp, tstates, *flags):
        """Runs a 64K image; returns (memory, BDOS output, [(port, value)])."""
        inp = os.path.join(self.dir, "run.in")
        outp = os.path.join(self.dir, "run.out")
        with open(inp, "wb") as f:
            f.write(bytes(image))
        p = subprocess.run([self.runner, inp, outp, str(pc), str(sp), str(tstates), *flags],
                           capture_output=True, timeout=300)
        check(p.returncode == 0, f"the run from {pc:04X} did not end as planned")
        outs = [(int(w[1], 16), int(w[2], 16)) for w in
                (line.split() for line in p.stderr.decode().splitlines()) if w[0] == "OUT"]
        with open(outp, "rb") as f:
            return f.read(), p.stdout.decode("latin-1"), outs


# --- The ZX Spectrum screen --------------------------------------------------

def pixel_address(x, y):
    return 0x4000 + ((y & 0xC0) << 5) + ((y & 7) << 8) + ((y & 0x38) << 2) + (x >> 3)


def rom_font(sk):
    with open(os.path.join(sk, "skoolkit", "resources", "48.rom"), "rb") as f:
        rom = f.read()
    return lambda ch: rom[0x3D00 + (ord(ch) - 32) * 8:0x3D00 + (ord(ch) - 31) * 8]


def text_at(mem, x, y, text, font, what):
    """The text in the ROM font at pixel (x, y), x and y on cell boundaries."""
    for i, ch in enumerate(text):
        got = bytes(mem[pixel_address(x + 8 * i, y + line)] for line in range(8))
        if not check(got == font(ch), f"{what}: character {i} ({ch!r}) is not the ROM's"):
            return


LETTERS = ["....X...X.XXXXX.X.....XXXX......",
           "....X...X.X.....X.....X...X.....",
           "....X...X.XXXX..X.....X...X.....",
           ".....X.X..X.....X.....X...X.....",
           "......X...XXXXX.XXXXX.XXXX......"]


def zx48_loading_screen():
    """The loading screen as the source describes it: $55 and $AA on
    alternate pixel lines; the letters bright white on rows 7 to 16, each
    letter row two rows high; elsewhere ink (row + 1) / 3 and paper row / 3."""
    screen = bytearray(0x55 if (a >> 8) & 1 == 0 else 0xAA for a in range(6144))
    for row in range(24):
        for col in range(32):
            if 7 <= row < 17 and LETTERS[(row - 7) // 2][col] == "X":
                screen.append(0x7F)
            else:
                screen.append(((row + 1) // 3 & 7) | (row // 3 & 7) << 3)
    return screen


def zx48(w, sk):
    folder = w.example("zx48")
    labels = w.assemble(folder, "zx48.asm")
    if not labels:
        return
    loading = zx48_loading_screen()
    message = "  Hello from Veld! Press a key  "
    font = rom_font(sk)

    def running(mem, what):
        """At the main loop: the loading screen with the printed line."""
        screen = bytearray(loading)
        for col in range(32):
            screen[0x1800 + 20 * 32 + col] = 0x38
        text_at(mem, 0, 160, message, font, what)
        for y in range(160, 168):
            for x in range(0, 256, 8):
                screen[pixel_address(x, y) - 0x4000] = mem[pixel_address(x, y)]
        check(bytes(mem[0x4000:0x5B00]) == bytes(screen), f"{what}: screen differs")

    tzx = os.path.join(folder, "zx48.tzx")
    snap = load_tape(sk, tzx, 48, labels["start"], "loaded.z80")
    if snap:
        check(bytes(snap.memory[0x4000:0x5B00]) == bytes(loading),
              "zx48.tzx: the loading screen differs from the one described")
    snap = load_tape(sk, tzx, 48, labels["main"], "main.z80")
    if snap:
        running(snap.memory, "zx48.tzx run to main")
    sna = os.path.join(folder, "zx48.sna")
    snap = trace(sk, sna, labels["main"], "sna-main.z80")
    if snap:
        running(snap.memory, "zx48.sna run to main")
        frames = labels["frames"]
        code, text = skoolkit_env.run_tool(sk, "trace.py", "-M", 10 * 69888,
                                           os.path.join(folder, "sna-main.z80"),
                                           os.path.join(folder, "later.z80"))
        later = skoolkit_env.snapshot_memory(sk, os.path.join(folder, "later.z80")).memory
        check(8 <= later[frames] <= 11, f"zx48.sna: {later[frames]} frames in 10")

    # A key held all the time (every IN reads bit 0 low): once a frame the
    # letters take the next colour, bright with ink and paper alike.
    if not w.build_runner():
        return
    with open(sna, "rb") as f:
        data = f.read()
    with open(os.path.join(sk, "skoolkit", "resources", "48.rom"), "rb") as f:
        image = bytearray(f.read()) + bytearray(data[27:])
    mem, _, _ = w.run(image, labels["start"], 0xFF40, 20 * 69888, "rom", "in=0xFE",
                      "frame=69888", f"until={labels['main']}")
    count = mem[labels["frames"]]
    colour = mem[labels["colour"]]
    check(count >= 8 and colour == (7 + count) & 7,
          f"zx48 with a key held: colour {colour} after {count} frames")
    attrs = bytearray(loading[0x1800:])
    attrs[20 * 32:21 * 32] = bytes([0x38] * 32)
    want = bytes(0x40 | colour * 9 if a == 0x7F else a for a in attrs)
    check(mem[0x5800:0x5B00] == want, "zx48 with a key held: attributes differ")


def load_tape(sk, tape, machine, stop, out_name):
    """tap2sna with contention until PC reaches `stop`; the snapshot or None."""
    out = os.path.join(os.path.dirname(tape), out_name)
    code, text = skoolkit_env.run_tool(sk, "tap2sna.py", "-c", f"machine={machine}", "-c",
                                       "cmio=1", "--start", stop, tape, out)
    if not check(code == 0 and "Simulation stopped (PC at start address)" in text,
                 f"{os.path.basename(tape)}: did not reach ${stop:04X}: {text[-300:]}"):
        return None
    return skoolkit_env.snapshot_memory(sk, out)


def trace(sk, path, stop, out_name):
    out = os.path.join(os.path.dirname(path), out_name)
    code, text = skoolkit_env.run_tool(sk, "trace.py", "-S", stop, "-M", 50_000_000, path, out)
    if not check(code == 0 and f"Stopped at ${stop:04X}" in text,
                 f"{os.path.basename(path)}: did not reach ${stop:04X}: {text[-300:]}"):
        return None
    return skoolkit_env.snapshot_memory(sk, out)


def zx128(w, sk):
    folder = w.example("zx128")
    labels = w.assemble(folder, "zx128.asm")
    if not labels:
        return
    font = rom_font(sk)
    attrs = bytearray()
    for row in range(24):
        first = 0 if row < 12 else 4
        for col in range(32):
            attrs.append(0x47 if row in (5, 17) else ((first + col) & 7) << 3 | 0x47)

    def check_run(snap, what):
        banks = snap.memory.banks
        check(banks[1][labels["mark1"] - 0xC000] == 0xB1, f"{what}: bank 1's mark not set")
        check(banks[3][labels["mark3"] - 0xC000] == 0xB3, f"{what}: bank 3's mark not set")
        screen = banks[5]
        check(bytes(screen[0x1800:0x1B00]) == bytes(attrs), f"{what}: attributes differ")
        flat = [0] * 0x4000 + list(screen)
        text_at(flat, 64, 40, "Hello from bank 1", font, what)
        text_at(flat, 64, 136, "Hello from bank 3", font, what)

    snap = load_tape(sk, os.path.join(folder, "zx128.tap"), 128, labels["main"], "main.z80")
    if snap:
        check_run(snap, "zx128.tap run to main")
    snap = trace(sk, os.path.join(folder, "zx128.sna"), labels["main"], "sna-main.szx")
    if snap:
        check_run(snap, "zx128.sna run to main")


def packed(w, sk):
    folder = w.example("packed")
    labels = w.assemble(folder, "packed.asm")
    if not labels:
        return
    # The plain assembly: the same source without VELDCOMPRESS and the
    # outputs, writing the bytes the block must expand to.
    with open(os.path.join(folder, "packed.asm")) as f:
        lines = [l for l in f if "VELDCOMPRESS" not in l and "OUTPUT_" not in l]
    plain_dir = os.path.join(w.dir, "packed-plain")
    os.makedirs(plain_dir)
    with open(os.path.join(plain_dir, "plain.asm"), "w") as f:
        f.writelines(lines)
        f.write(' OUTPUT_BIN "plain.bin", begin, finish - begin\n')
    p = subprocess.run([QAS, "plain.asm"], cwd=plain_dir, capture_output=True, text=True)
    if not check(p.returncode == 0, f"packed: the plain assembly failed: {p.stderr}"):
        return
    with open(os.path.join(plain_dir, "plain.bin"), "rb") as f:
        plain = f.read()
    begin = labels["begin"]
    check(len(plain) == labels["finish"] - begin, "packed: plain and packed sources differ")
    check(os.path.getsize(os.path.join(folder, "packed.tap")) < len(plain) // 5,
          "packed.tap is not a fifth of the program's size")

    sna = os.path.join(folder, "packed.sna")
    for snap, what in ((trace(sk, sna, begin, "sna-begin.z80"), "packed.sna"),
                       (load_tape(sk, os.path.join(folder, "packed.tap"), 48, begin,
                                  "tap-begin.z80"), "packed.tap")):
        if snap:
            check(bytes(snap.memory[begin:begin + len(plain)]) == plain,
                  f"{what}: the expanded bytes differ from the plain assembly")
    snap = trace(sk, sna, labels["main"], "sna-main.z80")
    if snap:
        at = labels["picture"] - begin
        check(bytes(snap.memory[0x4000:0x5B00]) == plain[at:at + 6912],
              "packed.sna: the picture on the screen differs")


def cpm(w):
    for tool in ("mkfs.cpm", "cpmls", "cpmcp", "fsck.cpm"):
        if not shutil.which(tool):
            print(tool + " (cpmtools) is not installed: the CP/M example is skipped")
            SKIPPED.append("cpmtools")
            return
    folder = w.example("cpm")
    p = subprocess.run(["sh", "build.sh"], cwd=folder, capture_output=True, text=True,
                       env=dict(os.environ, QAS=QAS))
    if not check(p.returncode == 0, f"cpm/build.sh failed: {p.stdout}{p.stderr}"):
        return

    def tool(*args):
        p = subprocess.run(list(args), cwd=folder, capture_output=True, text=True)
        return p.returncode, p.stdout + p.stderr

    code, text = tool("cpmls", "-f", "veld", "drive.img")
    check(code == 0 and text.split() == ["0:", "powers.com"], f"cpmls: {text}")
    code, text = tool("fsck.cpm", "-n", "-f", "veld", "drive.img")
    check(code == 0 and "rror" not in text, f"fsck.cpm: {text}")
    code, text = tool("cpmcp", "-f", "veld", "drive.img", "0:POWERS.COM", "powers.com")
    if not check(code == 0, f"cpmcp: {text}") or not w.build_runner():
        return
    with open(os.path.join(folder, "powers.com"), "rb") as f:
        com = f.read()
    image = bytearray(65536)
    image[0x100:0x100 + len(com)] = com
    image[0xEFFE:0xF000] = bytes(2)  # returning goes to address 0: warm boot
    _, printed, _ = w.run(image, 0x100, 0xEFFE, 10_000_000, "bdos")
    want = "Powers of two, from Veld:\r\n" + "".join(f"{1 << k:5d}\r\n" for k in range(16))
    check(printed == want, f"POWERS.COM printed {printed!r}")


def cpc(w):
    folder = w.example("cpc")
    labels = w.assemble(folder, "bars.asm")
    if not labels:
        return
    with open(os.path.join(folder, "bars.sna"), "rb") as f:
        data = f.read()
    sp, pc = struct.unpack_from("<HH", data, 0x21)
    check(len(data) == 256 + 65536 and data[:8] == b"MV - SNA" and data[0x10] == 1
          and data[0x6B] == 64, "bars.sna: not a 64K CPC snapshot of version 1")
    check((sp, pc) == (0x4000, labels["start"]), f"bars.sna: SP {sp:04X}, PC {pc:04X}")
    if not w.build_runner():
        return
    mem, _, outs = w.run(data[256:], pc, sp, 3_000_000, "toggle")
    gate = [v for port, v in outs if port >> 8 == 0x7F]
    check(gate[:9] == [0x8D, 0, 0x54, 1, 0x4A, 2, 0x53, 3, 0x4C],
          f"bars.sna: gate array writes {gate[:9]}")
    check(gate[9:11] == [0x10, 0x40] and mem[labels["frames"]] > 0,
          "bars.sna: the border is not changed once a frame")
    line = bytes([0x00] * 20 + [0xF0] * 20 + [0x0F] * 20 + [0xFF] * 20)
    bad = [(b, r) for b in range(8) for r in range(25)
           if mem[0xC000 + b * 0x800 + r * 80:0xC000 + b * 0x800 + r * 80 + 80] != line]
    check(not bad, f"bars.sna: pixel lines without the bars: {bad[:4]}")


def next_title(w):
    folder = w.example("next")
    found = importlib.util.spec_from_file_location("make_title",
                                                   os.path.join(folder, "make_title.py"))
    title = importlib.util.module_from_spec(found)
    found.loader.exec_module(title)
    with open(os.path.join(folder, "title.png"), "rb") as f:
        check(f.read() == title.png(), "next/title.png is not what make_title.py makes")
    p = subprocess.run([QAS, "stripes.asm"], cwd=folder, capture_output=True, text=True)
    if not check(p.returncode == 0 and "warning" not in p.stdout,
                 f"stripes.asm: {p.stdout}{p.stderr}"):
        return
    with open(os.path.join(folder, "stripes.nex"), "rb") as f:
        nex = f.read()
    check(nex[:4] == b"Next" and nex[10] == 0x01 and nex[130:132] == bytes([1, 2]),
          "stripes.nex: no layer 2 screen with a loading bar in colour 2")
    colours = [(0, 0, 0)] + [title.hue(i * 256 // 255) for i in range(255)]
    palette = b"".join(bytes([(r & 0xE0) | (g >> 5) << 2 | b >> 6, 1 if b & 0x20 else 0])
                       for r, g, b in colours)
    check(nex[512:1024] == palette, "stripes.nex: the palette block differs from title.png's")
    pixels = bytes(title.pixel(x, y) for y in range(192) for x in range(256))
    check(nex[1024:1024 + 49152] == pixels, "stripes.nex: the screen differs from title.png")


def main():
    w = Work()
    sk = None
    if os.path.isfile(os.path.join(os.environ.get("VELD_SKOOLKIT", skoolkit_env.SHARED),
                                   "tap2sna.py")):
        sk = skoolkit_env.skoolkit_or_skip()
    cpm(w)
    cpc(w)
    next_title(w)
    if sk:
        zx48(w, sk)
        zx128(w, sk)
        packed(w, sk)
    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        return 1
    if not sk:
        print("SKIP: SkoolKit not found: the Spectrum examples were not run")
        return 77
    if SKIPPED:
        print("SKIP: " + ", ".join(SKIPPED) + " missing: some examples were not checked")
        return 77
    shutil.rmtree(w.dir, ignore_errors=True)
    print("every example builds and runs as described")
    return 0


if __name__ == "__main__":
    sys.exit(main())
