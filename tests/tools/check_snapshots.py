#!/usr/bin/env python3
"""Snapshots judged by independent tools.

- libspectrum (Debian libspectrum-dev), through a small C reader built here,
  reads every Spectrum snapshot back: machine type, every register, the
  paging ports and every RAM page are compared with what the test source
  planted and preset.
- snapdump (fuse-emulator-utils) reports the registers and a checksum of each
  page; snapconv converts every file to the other two formats.
- SkoolKit's trace.py runs the test programs from their SNA, Z80 and SZX
  files in an emulated Spectrum with the real ROMs until they reach their end;
  the screen and the markers they write are then read back.
- The SNA and SZX files are compared byte for byte with files built here from
  the published layouts (Python's zlib compresses the SZX pages); the CPC
  snapshot is read by a reader written here from its published layout.

The code of the test programs is assembled by pasmo as well: its bytes are
the RAM the snapshots must hold. Nothing is compared with what qas printed.

Usage: check_snapshots.py QAS   (VELD_TOOLS_DIR: scratch folder)
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import skoolkit_env  # noqa: E402

BANK = 0x4000
# The creator text of our SZX files ("Created with veld " and a web address).
CREATOR = b"Created with veld veld.example"
# Snapshot registers preset by the sources (name in the source, value).
PRESETS = {"AF": 0x1234, "BC": 0x5678, "DE": 0x9ABC, "HL": 0xDEF0, "AltAF": 0x1357,
           "AltBC": 0x2468, "AltDE": 0x369C, "AltHL": 0x48AD, "IX": 0xA1B2, "IY": 0x5C3A,
           "I": 0x3F, "R": 0x21, "IM": 1, "MEMPTR": 0x7788}

READER = r"""
/* Reads a snapshot with libspectrum: prints the machine and every register,
   one "name value" line each, and writes each RAM page present to
   OUTDIR/pageN.bin. */
#include <libspectrum.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
  if (argc != 3 || libspectrum_init() != LIBSPECTRUM_ERROR_NONE) return 2;
  FILE *f = fopen(argv[1], "rb");
  if (!f) { perror(argv[1]); return 2; }
  static unsigned char buf[1 << 20];
  size_t size = fread(buf, 1, sizeof buf, f);
  fclose(f);
  libspectrum_snap *s = libspectrum_snap_alloc();
  if (libspectrum_snap_read(s, buf, size, LIBSPECTRUM_ID_UNKNOWN, argv[1]) !=
      LIBSPECTRUM_ERROR_NONE) { fprintf(stderr, "libspectrum can't read %s\n", argv[1]); return 1; }
  printf("machine %s\n", libspectrum_machine_name(libspectrum_snap_machine(s)));
  printf("a %d\nf %d\nbc %d\nde %d\nhl %d\n", libspectrum_snap_a(s), libspectrum_snap_f(s),
         libspectrum_snap_bc(s), libspectrum_snap_de(s), libspectrum_snap_hl(s));
  printf("a_ %d\nf_ %d\nbc_ %d\nde_ %d\nhl_ %d\n", libspectrum_snap_a_(s), libspectrum_snap_f_(s),
         libspectrum_snap_bc_(s), libspectrum_snap_de_(s), libspectrum_snap_hl_(s));
  printf("ix %d\niy %d\ni %d\nr %d\nsp %d\npc %d\nmemptr %d\n", libspectrum_snap_ix(s),
         libspectrum_snap_iy(s), libspectrum_snap_i(s), libspectrum_snap_r(s),
         libspectrum_snap_sp(s), libspectrum_snap_pc(s), libspectrum_snap_memptr(s));
  printf("iff1 %d\niff2 %d\nim %d\n", libspectrum_snap_iff1(s), libspectrum_snap_iff2(s),
         libspectrum_snap_im(s));
  printf("out7ffd %d\nout1ffd %d\nborder %d\n", libspectrum_snap_out_128_memoryport(s),
         libspectrum_snap_out_plus3_memoryport(s), libspectrum_snap_out_ula(s) & 7);
  for (int p = 0; p < 8; ++p) {
    const libspectrum_byte *page = libspectrum_snap_pages(s, p);
    if (!page) continue;
    char name[4096];
    snprintf(name, sizeof name, "%s/page%d.bin", argv[2], p);
    FILE *o = fopen(name, "wb");
    if (!o || fwrite(page, 1, 0x4000, o) != 0x4000) { perror(name); return 2; }
    fclose(o);
  }
  libspectrum_snap_free(s);
  return 0;
}
"""


def skip(message):
    print("SKIP: " + message)
    sys.exit(77)


def word(v):
    return struct.pack("<H", v & 0xFFFF)


def hi(v):
    return v >> 8


def lo(v):
    return v & 0xFF


# --- test programs -------------------------------------------------------
#
# Each program is Z80 code that both pasmo and qas assemble (the "body"),
# plus lines only qas reads: the model, presets, data in the 128K banks and
# the output directives.

PRESET_LINES = [f"Veld_{name} = ${value:04X}" for name, value in PRESETS.items()]

# 48K: saves the preset registers it starts with, fills the screen, waits for
# an interrupt (IM 1 through the ROM), calls a routine that copies a byte
# planted at $FE00 to the marker, and stops at DONE.
BODY48 = """
        ORG $8000
start:  ld (saved),hl
        ld (saved+2),ix
        exx
        ld (saved+4),hl
        exx
        ld hl,$4000
        ld de,$4001
        ld bc,$17FF
        ld (hl),$AA
        ldir
        ld hl,$5800
        ld de,$5801
        ld bc,$02FF
        ld (hl),$39
        ldir
        ei
        halt
        call mark
        jp done
mark:   ld a,(data)
        ld (marker),a
        ret
        ORG $8100
done:   jr done
marker: db 0
saved:  ds 6
        ORG $FE00
data:   db $5A
"""
DONE48, MARKER48, SAVED48 = 0x8100, 0x8102, 0x8103

# 128K: starts in bank 0 at $C000, calls a routine in bank 2 that pages each
# bank in at $C000 (ROM 1 selected) and copies its last byte to a table,
# pages bank 0 back, then writes the marker in bank 0 and fills the top
# third of the screen.
BODY128 = """
        ORG $8000
collect: ld bc,$7FFD
""" + "".join(f"""        ld a,${0x10 | n:02X}
        out (c),a
        ld a,($FFFF)
        ld (${0x8100 + n:04X}),a
""" for n in (1, 2, 3, 4, 5, 6, 7, 0)) + """        ret
        ORG $C000
start:  di
        ld (saved),hl
        call collect
        ld a,$5A
        ld (marker),a
        ld hl,$4000
        ld de,$4001
        ld bc,$07FF
        ld (hl),$F0
        ldir
        jp done
        ORG $C100
done:   jr done
marker: db 0
saved:  ds 2
"""
DONE128, MARKER128, TABLE128 = 0xC100, 0xC102, 0x8100


def bank_data_lines():
    """The last byte of bank n is $B0 + n (the 128K program collects them)."""
    return [f"        ORG ${0x10000 + n * BANK + BANK - 1:X}\n        DB ${0xB0 + n:02X}"
            for n in range(8)]


class Checker:
    def __init__(self, qas, work):
        self.qas, self.work, self.failures = qas, work, []
        self.reader = None

    def fail(self, what):
        self.failures.append(what)
        print("FAIL: " + what)

    def check(self, ok, what):
        if not ok:
            self.fail(what)
        return ok

    # --- building -----------------------------------------------------------

    def pasmo(self, name, body):
        """64K of RAM as pasmo assembles `body` (zeros elsewhere)."""
        folder = os.path.join(self.work, "pasmo")
        os.makedirs(folder, exist_ok=True)
        src, out = os.path.join(folder, name + ".asm"), os.path.join(folder, name + ".bin")
        with open(src, "w") as f:
            f.write(body)
        subprocess.run(["pasmo", "--bin", src, out], check=True, capture_output=True)
        data = open(out, "rb").read()
        org = min(int(line.split("$")[1], 16) for line in body.splitlines()
                  if line.strip().startswith("ORG"))
        ram = bytearray(0x10000)
        ram[org:org + len(data)] = data
        return ram

    def assemble(self, name, lines):
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        src = os.path.join(folder, "main.asm")
        with open(src, "w", encoding="latin-1") as f:
            f.write("\n".join(lines) + "\n")
        p = subprocess.run([self.qas, src], capture_output=True, text=True)
        self.check(p.returncode == 0, f"{name}: qas failed: {p.stdout}{p.stderr}")
        return folder

    def build_reader(self):
        src = os.path.join(self.work, "snapread.c")
        with open(src, "w") as f:
            f.write(READER)
        exe = os.path.join(self.work, "snapread")
        p = subprocess.run(["gcc", "-O1", "-o", exe, src, "-lspectrum"], capture_output=True,
                           text=True)
        if p.returncode != 0:
            skip("libspectrum-dev is not installed (gcc: " + p.stderr.strip()[:200] + ")")
        self.reader = exe

    # --- independent readers --------------------------------------------------

    def libspectrum(self, path):
        """(registers, {page: bytes}) as libspectrum reads the file."""
        out = tempfile.mkdtemp(dir=self.work)
        p = subprocess.run([self.reader, path, out], capture_output=True, text=True)
        if not self.check(p.returncode == 0, f"libspectrum can't read {path}: {p.stderr}"):
            return {}, {}
        regs = {}
        for line in p.stdout.splitlines():
            key, _, value = line.partition(" ")
            regs[key] = value if key == "machine" else int(value)
        pages = {int(n[4]): open(os.path.join(out, n), "rb").read() for n in os.listdir(out)}
        return regs, pages

    def compare_read_back(self, path, machine, regs_want, banks_want, ports=None):
        regs, pages = self.libspectrum(path)
        if not regs:
            return
        name = os.path.basename(path)
        self.check(regs["machine"] == machine, f"{name}: machine {regs['machine']}, not {machine}")
        for key, value in {**regs_want, **(ports or {})}.items():
            self.check(regs[key] == value, f"{name}: {key} is ${regs[key]:X}, not ${value:X}")
        self.check(sorted(pages) == sorted(banks_want),
                   f"{name}: pages {sorted(pages)}, not {sorted(banks_want)}")
        for n, data in banks_want.items():
            if n in pages and pages[n] != bytes(data):
                at = next(i for i in range(BANK) if pages[n][i] != data[i])
                self.fail(f"{name}: bank {n} differs at offset ${at:04X}")

    def snapdump(self, path, pc, sp, banks_want):
        p = subprocess.run(["snapdump", path], capture_output=True, text=True)
        name = os.path.basename(path)
        if not self.check(p.returncode == 0, f"snapdump {name}: {p.stderr}"):
            return
        self.check(f"PC:  0x{pc:04X}" in p.stdout, f"snapdump {name}: PC is not {pc:04X}")
        self.check(f"SP:  0x{sp:04X}" in p.stdout, f"snapdump {name}: SP is not {sp:04X}")
        for n, data in banks_want.items():
            line = f"ram_page_{n} size: 0x4000, sha1: {hashlib.sha1(bytes(data)).hexdigest()}"
            self.check(line in p.stdout, f"snapdump {name}: page {n} checksum differs")

    def snapconv(self, path, banks_want, stack=None):
        """Converts to the other formats; each result must hold the same RAM
        (a 48K SNA also the start address (PC) that its writer stacks at SP - 2)."""
        base, ext = os.path.splitext(path)
        for target in (".sna", ".z80", ".szx"):
            if target == ext:
                continue
            out = base + "-conv" + ext.replace(".", "-") + target
            p = subprocess.run(["snapconv", path, out], capture_output=True, text=True)
            name = os.path.basename(path) + " -> " + target
            # A target format that cannot hold everything (a 48K SNA has no
            # MEMPTR, a 128K SNA no AY registers) is warned about; nothing else.
            complaints = [line for line in p.stderr.splitlines()
                          if line.strip() and "information loss during conversion" not in line]
            if not self.check(p.returncode == 0 and not complaints,
                              f"snapconv {name}: {p.stderr}"):
                continue
            _, pages = self.libspectrum(out)
            want = {n: bytearray(b) for n, b in banks_want.items()}
            if stack and target == ".sna":
                sp, pc = stack
                want[0][sp - 2 - 0xC000:sp - 0xC000] = word(pc)
            for n, data in want.items():
                got = pages.get(n, b"")
                if got != bytes(data):
                    at = next((i for i in range(min(len(got), BANK)) if got[i] != data[i]), 0)
                    self.fail(f"snapconv {name}: bank {n} differs at offset ${at:04X}")

    # --- the checks -------------------------------------------------------------

    def spectrum_48k(self, sk):
        ram = self.pasmo("p48", BODY48)
        folder = self.assemble("p48", [' EMULATE_SPECTRUM "48K"'] + PRESET_LINES + [BODY48] + [
            ' OUTPUT_SNA "p.sna", $FF40, start', ' OUTPUT_Z80 "p.z80", $FF40, start',
            ' OUTPUT_SZX "p.szx", $FF40, start'])
        banks = {5: ram[0x4000:0x8000], 2: ram[0x8000:0xC000], 0: ram[0xC000:]}
        start = 0x8000
        preset = self.preset_registers(start, 0xFF40)

        # SNA: the start address stacked at $FF3E, the rest from the layout.
        sna_ram = bytearray(ram)
        sna_ram[0xFF3E:0xFF40] = word(start)
        want = self.sna_header(0xFF3E) + bytes(sna_ram[0x4000:])
        sna = os.path.join(folder, "p.sna")
        self.check(open(sna, "rb").read() == want, "p.sna differs from the 48K SNA layout")
        sna_banks = {5: sna_ram[0x4000:0x8000], 2: sna_ram[0x8000:0xC000], 0: sna_ram[0xC000:]}
        self.compare_read_back(sna, "Spectrum 48K", preset, sna_banks)

        # Z80 version 1: the fixed registers of the header table.
        z80 = os.path.join(folder, "p.z80")
        data = open(z80, "rb").read()
        header = (bytes([0x00, 0x54]) + word(0x8000) + word(0x2D2B) + word(start) + word(0xFF40)
                  + bytes([0x3F, 0x74, 0x2E]) + word(0x5CDB) + word(0x1721) + word(0x369B)
                  + word(0x2758) + bytes([0x44, 0x00]) + word(0x5C3A) + word(0x03D4)
                  + bytes([1, 1, 1]))
        self.check(data[:30] == header, "p.z80: version 1 header differs from the table")
        self.check(data[-4:] == bytes([0, 0xED, 0xED, 0]), "p.z80: no end marker")
        self.compare_read_back(z80, "Spectrum 48K", self.z80_registers(1, start, 0xFF40), banks)

        szx = os.path.join(folder, "p.szx")
        self.check(open(szx, "rb").read() == self.szx(1, preset, 0, 0, banks, start, 0xFF40),
                   "p.szx differs from the SZX layout")
        self.compare_read_back(szx, "Spectrum 48K", preset, banks,
                               {"out7ffd": 0, "border": 7})

        for path, regs in ((sna, preset), (z80, None), (szx, preset)):
            self.snapdump(path, start, 0xFF40, sna_banks if path == sna else banks)
            self.snapconv(path, sna_banks if path == sna else banks, (0xFF40, start))
            if sk:
                self.run_48k(sk, path, regs)

    def run_48k(self, sk, path, regs):
        """Runs the program to DONE; checks the screen, the marker and the
        registers it saved (HL, IX, HL')."""
        out = path + "-run.z80"
        code, text = skoolkit_env.run_tool(sk, "trace.py", "-S", DONE48, path, out)
        name = os.path.basename(path)
        if not self.check(code == 0 and f"Stopped at ${DONE48:04X}" in text,
                          f"trace.py {name}: did not reach DONE: {text[-300:]}"):
            return
        mem = skoolkit_env.snapshot_memory(sk, out).memory
        self.check(mem[0x4000:0x5800] == [0xAA] * 0x1800, f"run {name}: pixels not drawn")
        self.check(mem[0x5800:0x5B00] == [0x39] * 0x300, f"run {name}: attributes not drawn")
        self.check(mem[MARKER48] == 0x5A, f"run {name}: marker not set")
        if regs is None:  # the fixed registers of a Z80 file
            saved = [0x2D2B, 0x03D4, 0x2758]
        else:
            saved = [regs["hl"], regs["ix"], regs["hl_"]]
        got = [mem[SAVED48 + 2 * i] | mem[SAVED48 + 2 * i + 1] << 8 for i in range(3)]
        self.check(got == saved, f"run {name}: started with HL, IX, HL' {got}, not {saved}")

    def spectrum_128k(self, sk):
        ram = self.pasmo("p128", BODY128)
        banks = {n: bytearray(BANK) for n in range(8)}
        banks[2][:] = ram[0x8000:0xC000]
        banks[0][:] = ram[0xC000:]
        for n in range(8):
            banks[n][BANK - 1] = 0xB0 + n
        start, sp = 0xC000, 0xBF00
        source = [' EMULATE_SPECTRUM "128K"'] + PRESET_LINES + [BODY128] + bank_data_lines()
        folder = self.assemble("p128", source + [
            f' OUTPUT_SNA "p.sna", ${sp:X}, start', f' OUTPUT_Z80 "p.z80", ${sp:X}, start',
            f' OUTPUT_SZX "p.szx", ${sp:X}, start'])
        preset = self.preset_registers(start, sp)

        # SNA: bank 0 at $C000 (no $7FFD preset), 131103 bytes.
        sna = os.path.join(folder, "p.sna")
        sna_banks = {n: bytearray(b) for n, b in banks.items()}
        sna_banks[2][sp - 2 - 0x8000:sp - 0x8000] = word(start)
        want = (self.sna_header(sp - 2) + sna_banks[5] + sna_banks[2] + sna_banks[0] + word(start)
                + bytes([0, 0]) + b"".join(sna_banks[n] for n in (1, 3, 4, 6, 7)))
        data = open(sna, "rb").read()
        self.check(len(data) == 131103 and data == want, "p.sna differs from the 128K SNA layout")
        # libspectrum takes a 128K SNA for a Pentagon (it reads its own so too)
        # and its PC from after the banks, keeping SP below the stacked copy.
        self.compare_read_back(sna, "Pentagon 128K", {**preset, "sp": sp - 2}, sna_banks,
                               {"out7ffd": 0})

        z80 = os.path.join(folder, "p.z80")
        data = open(z80, "rb").read()
        header = (bytes([0x00, 0x54]) + word(0x8000) + word(0x2D2B) + word(0) + word(sp)
                  + bytes([0x3F, 0x74, 0x0E]) + word(0x5CDA) + word(0x1801) + word(0x369B)
                  + word(0x2758) + bytes([0xC9, 0x2C]) + word(0x5C3A) + word(0xFD6C)
                  + bytes([1, 1, 1]) + word(23) + word(start) + bytes([3, 0, 0, 0, 0]) + bytes(16))
        self.check(data[:55] == header, "p.z80: version 2 headers differ from the table")
        self.compare_read_back(z80, "Spectrum 128K", self.z80_registers(2, start, sp), banks,
                               {"out7ffd": 0})

        szx = os.path.join(folder, "p.szx")
        self.check(open(szx, "rb").read() == self.szx(2, preset, 0, 0, banks, start, sp),
                   "p.szx differs from the SZX layout")
        self.compare_read_back(szx, "Spectrum 128K", preset, banks,
                               {"out7ffd": 0})

        for path in (sna, z80, szx):
            self.snapdump(path, start, sp - 2 if path == sna else sp,
                          sna_banks if path == sna else banks)
            self.snapconv(path, sna_banks if path == sna else banks)
            if sk:
                self.run_128k(sk, path)

    def run_128k(self, sk, path):
        out = path + "-run.szx"
        code, text = skoolkit_env.run_tool(sk, "trace.py", "-S", DONE128, path, out)
        name = os.path.basename(path)
        if not self.check(code == 0 and f"Stopped at ${DONE128:04X}" in text,
                          f"trace.py {name}: did not reach DONE: {text[-300:]}"):
            return
        snap = skoolkit_env.snapshot_memory(sk, out)
        banks = snap.memory.banks
        self.check(banks[0][MARKER128 - 0xC000] == 0x5A, f"run {name}: marker not set in bank 0")
        table = list(banks[2][TABLE128 - 0x8000:TABLE128 - 0x8000 + 8])
        self.check(table == [0xB0 + n for n in range(8)],
                   f"run {name}: banks read through $C000 gave {table}")
        self.check(list(banks[5][:0x800]) == [0xF0] * 0x800, f"run {name}: screen not drawn")

    def paging_presets(self):
        """$7FFD as preset: bank 5 paged twice in the SNA, $11 in the SZX."""
        banks = {n: bytearray(BANK) for n in range(8)}
        for n in range(8):
            banks[n][BANK - 1] = 0xB0 + n
        folder = self.assemble("paged", [' EMULATE_SPECTRUM "128K"', "Veld_P7FFD = 5"]
                               + bank_data_lines() + [' OUTPUT_SNA "p.sna", $8000, $8000'])
        data = open(os.path.join(folder, "p.sna"), "rb").read()
        # SP $8000: the start address lands at $7FFE in bank 5, in both copies.
        banks[5][0x3FFE:0x4000] = word(0x8000)
        # Without presets every register is 0, the interrupt mode too.
        zero = {name: 0 for name in PRESETS}
        want = (self.sna_header(0x7FFE, presets=zero) + banks[5] + banks[2] + banks[5]
                + word(0x8000) + bytes([5, 0]) + b"".join(banks[n] for n in (0, 1, 3, 4, 6, 7)))
        self.check(len(data) == 147487 and data == want,
                   "paged: the SNA with bank 5 at $C000 differs from the layout")
        self.compare_read_back(os.path.join(folder, "p.sna"), "Pentagon 128K",
                               {"pc": 0x8000, "sp": 0x7FFE}, banks, {"out7ffd": 5})

        for model, machine, port, name in (("128K", "Spectrum 128K", "out7ffd", "P7FFD"),
                                           ("3", "Spectrum +3", "out1ffd", "P1FFD"),
                                           ("2", "Spectrum +2", "out7ffd", "P7FFD")):
            folder = self.assemble("port" + model, [f' EMULATE_SPECTRUM "{model}"',
                                                    f"Veld_{name} = $11",
                                                    ' OUTPUT_SZX "p.szx", $8000, $8000'])
            regs, _ = self.libspectrum(os.path.join(folder, "p.szx"))
            if regs:
                self.check(regs["machine"] == machine, f"port{model}: machine {regs['machine']}")
                self.check(regs[port] == 0x11, f"port{model}: {port} is {regs[port]:X}, not 11")

    def next_model(self):
        """The Next: SZX as a 48K machine with the 64K view; Z80 version 2 with
        every bank, also those outside the 64K view."""
        folder = self.assemble("next", [' EMULATE_SPECTRUM "NEXT"', "        ORG $C000",
                                        "        DB $C0", "        ORG $40000 + 2 * $2000",
                                        "        DB $B1", ' OUTPUT_SZX "n.szx", $FF00, $C000',
                                        ' OUTPUT_Z80 "n.z80", $FF00, $C000'])
        banks = {n: bytearray(BANK) for n in range(8)}
        banks[0][0] = 0xC0  # $C000 is page 0: bank 0
        banks[1][0] = 0xB1  # page 2 is the first half of bank 1
        self.compare_read_back(os.path.join(folder, "n.szx"), "Spectrum 48K", {"pc": 0xC000},
                               {n: banks[n] for n in (5, 2, 0)})
        self.compare_read_back(os.path.join(folder, "n.z80"), "Spectrum 128K", {"pc": 0xC000},
                               banks)

    def cpc(self):
        for model, size in (("CPC64", 64), ("CPC128", 128)):
            mem = bytearray(size * 1024)
            mem[0x4000:0x4003] = b"\x3E\x07\xC9"
            mem[-1] = 0x77
            folder = self.assemble(model, [f' EMULATE_SPECTRUM "{model}"'] + PRESET_LINES + [
                "        ORG $4000", "        DB $3E, $07, $C9",
                f"        ORG ${size * 1024 - 1:X}", "        DB $77",
                ' OUTPUT_SNA "c.sna", $BFF0, $4000'])
            data = open(os.path.join(folder, "c.sna"), "rb").read()
            self.check(len(data) == 256 + size * 1024, f"{model}: length {len(data)}")
            snap = read_cpc(data)
            want = {"signature": b"MV - SNA", "version": 1, "af": PRESETS["AF"],
                    "bc": PRESETS["BC"], "de": PRESETS["DE"], "hl": PRESETS["HL"],
                    "r": PRESETS["R"], "i": PRESETS["I"], "iff0": 1, "iff1": 1,
                    "ix": PRESETS["IX"], "iy": PRESETS["IY"], "sp": 0xBFF0, "pc": 0x4000,
                    "im": 1, "af_": PRESETS["AltAF"], "bc_": PRESETS["AltBC"],
                    "de_": PRESETS["AltDE"], "hl_": PRESETS["AltHL"], "memory_kb": size}
            for key, value in want.items():
                self.check(snap[key] == value, f"{model}: {key} is {snap[key]!r}, not {value!r}")
            # A machine just started: mode 1 screen at $C000, palette, CRTC.
            self.check(snap["crtc"][:10] == [0x3F, 0x28, 0x2E, 0x8E, 0x26, 0x00, 0x19, 0x1E, 0x00,
                                             0x07], f"{model}: CRTC registers")
            self.check(snap["rmr"] == 0x8D, f"{model}: gate array configuration")
            self.check(snap["creator"].startswith(b"Generated by Veld "), f"{model}: creator")
            self.check(data[256:] == bytes(mem), f"{model}: memory differs")

    # --- expected bytes from the layouts -----------------------------------------

    @staticmethod
    def preset_registers(pc, sp):
        p = PRESETS
        return {"a": hi(p["AF"]), "f": lo(p["AF"]), "bc": p["BC"], "de": p["DE"], "hl": p["HL"],
                "a_": hi(p["AltAF"]), "f_": lo(p["AltAF"]), "bc_": p["AltBC"],
                "de_": p["AltDE"], "hl_": p["AltHL"], "ix": p["IX"], "iy": p["IY"],
                "i": p["I"], "r": p["R"], "im": p["IM"], "iff1": 1, "iff2": 1, "pc": pc,
                "sp": sp}

    @staticmethod
    def z80_registers(version, pc, sp):
        v1 = version == 1
        return {"a": 0, "f": 0x54, "bc": 0x8000, "hl": 0x2D2B, "pc": pc, "sp": sp, "i": 0x3F,
                "r": 0x74, "de": 0x5CDB if v1 else 0x5CDA, "bc_": 0x1721 if v1 else 0x1801,
                "de_": 0x369B, "hl_": 0x2758, "a_": 0x44 if v1 else 0xC9,
                "f_": 0x00 if v1 else 0x2C, "iy": 0x5C3A, "ix": 0x03D4 if v1 else 0xFD6C,
                "iff1": 1, "iff2": 1, "im": 1, "border": 7}

    @staticmethod
    def sna_header(sp, presets=PRESETS, iff=True):
        p = presets
        return (bytes([p["I"]]) + word(p["AltHL"]) + word(p["AltDE"]) + word(p["AltBC"])
                + word(p["AltAF"]) + word(p["HL"]) + word(p["DE"]) + word(p["BC"])
                + word(p["IY"]) + word(p["IX"]) + bytes([4 if iff else 0, p["R"]])
                + word(p["AF"]) + word(sp) + bytes([p["IM"], 0]))

    @staticmethod
    def szx(machine, regs, port7ffd, port1ffd, banks, pc, sp):
        def block(tag, data):
            return tag + struct.pack("<I", len(data)) + data
        p = PRESETS
        out = b"ZXST" + bytes([1, 1, machine, 0])
        out += block(b"CRTR", CREATOR.ljust(32, b"\0") + word(1) + word(1))
        z80r = b"".join(word(v) for v in (p["AF"], p["BC"], p["DE"], p["HL"], p["AltAF"],
                                          p["AltBC"], p["AltDE"], p["AltHL"], p["IX"], p["IY"],
                                          sp, pc))
        z80r += bytes([p["I"], p["R"], regs["iff1"], regs["iff2"], p["IM"]]) + bytes(6)
        z80r += word(p["MEMPTR"])
        out += block(b"Z80R", z80r)
        out += block(b"SPCR", bytes([7, port7ffd, port1ffd, 0, 0, 0, 0, 0]))
        for n in (range(8) if machine in (2, 3, 5) else (5, 2, 0)):
            out += block(b"RAMP", word(1) + bytes([n]) + zlib.compress(bytes(banks[n]), 9))
        return out

    def finish(self):
        if self.failures:
            print(f"{len(self.failures)} check(s) failed")
            return 1
        print("all snapshot checks passed")
        return 0


def read_cpc(data):
    """The fields of a CPC snapshot header, from its published layout."""
    w = lambda at: data[at] | data[at + 1] << 8  # noqa: E731
    return {"signature": data[0:8], "version": data[0x10], "af": data[0x12] << 8 | data[0x11],
            "bc": data[0x14] << 8 | data[0x13], "de": w(0x15), "hl": w(0x17), "r": data[0x19],
            "i": data[0x1A], "iff0": data[0x1B], "iff1": data[0x1C], "ix": w(0x1D),
            "iy": w(0x1F), "sp": w(0x21), "pc": w(0x23), "im": data[0x25], "af_": w(0x26),
            "bc_": w(0x28), "de_": w(0x2A), "hl_": w(0x2C), "rmr": data[0x40],
            "crtc": list(data[0x43:0x55]), "memory_kb": w(0x6B), "creator": data[0xE0:0x100]}


def main():
    qas = os.path.abspath(sys.argv[1])
    for tool in ("gcc", "pasmo", "snapdump", "snapconv"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    root = os.environ.get("VELD_TOOLS_DIR") or tempfile.gettempdir()
    os.makedirs(root, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="snapshots", dir=root) as work:
        c = Checker(qas, work)
        c.build_reader()
        try:
            sk = skoolkit_env.skoolkit_or_skip()
        except SystemExit:
            sk = None
            print("note: SkoolKit absent, the programs are not run")
        c.spectrum_48k(sk)
        c.spectrum_128k(sk)
        c.paging_presets()
        c.next_model()
        c.cpc()
        return c.finish()


if __name__ == "__main__":
    sys.exit(main())
