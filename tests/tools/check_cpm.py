#!/usr/bin/env python3
"""CP/M drive files checked with cpmtools (Debian), which we did not write.

The test writes a diskdefs file for the default settings (128-byte records,
128 sectors a track, 4 KiB blocks, 2048 blocks a disk, 512 entries, one
reserved track on drive A, none on drive B, which starts at 8 MiB) and for a
small disk with 8-bit block numbers (1 KiB blocks, 240 usable). mkfs.cpm
formats the disks. Then:

1. Files written by OUTPUT_CPM (0, 1, 127, 128, 5000, 16384, 40000 and 100000
   bytes, on drives A: and B:, under several user numbers) are listed by
   cpmls, copied out byte for byte by cpmcp, and fsck.cpm -n finds nothing
   wrong. A second assembly overwrites some of them.
2. Files put in by cpmcp are read back by IMPORT_CPM byte for byte.
3. A full directory and a full disk fail with the described message and exit
   code 1; the image stays consistent for fsck.cpm.
4. The README's example: HELLO.COM copied out by cpmcp holds the bytes that
   z80asm (Debian) makes of the same program.

Usage: check_cpm.py QAS
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

QAS = os.path.abspath(sys.argv[1])
failures = []

DISKDEFS = """
diskdef veld
  seclen 128
  tracks 512
  sectrk 128
  blocksize 4096
  maxdir 512
  skew 0
  boottrk 1
  os 2.2
end

diskdef veldb
  seclen 128
  tracks 512
  sectrk 128
  blocksize 4096
  maxdir 512
  skew 0
  boottrk 0
  os 2.2
end

diskdef narrow
  seclen 128
  tracks 62
  sectrk 32
  blocksize 1024
  maxdir 64
  skew 0
  boottrk 2
  os 2.2
end
"""

NARROW_SETTINGS = """Veld_cpm_sec_per_track = 32
Veld_cpm_sec_per_block = 8
Veld_cpm_blocks_per_disk = 248
Veld_cpm_dir_cnt = 64
Veld_cpm_res_tracks_0 = 2
Veld_cpm_disk_cnt = 1
"""

DISK_BYTES = 8 << 20


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def skip(message):
    print("SKIP: " + message)
    sys.exit(77)


class Work:
    def __init__(self, folder):
        self.dir = folder
        with open(self.path("diskdefs"), "w") as f:
            f.write(DISKDEFS)

    def path(self, name):
        return os.path.join(self.dir, name)

    def tool(self, *args):
        # cpmtools read ./diskdefs (the current folder) before the system's.
        p = subprocess.run(list(args), cwd=self.dir, capture_output=True, timeout=120)
        return p.returncode, p.stdout.decode("latin-1") + p.stderr.decode("latin-1")

    def assemble(self, source):
        with open(self.path("main.asm"), "w", encoding="latin-1") as f:
            f.write(source)
        p = subprocess.run([QAS, "main.asm"], cwd=self.dir, capture_output=True, timeout=120)
        return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def fsck(self, fmt, image, what):
        code, text = self.tool("fsck.cpm", "-n", "-f", fmt, image)
        bad = [l for l in text.splitlines() if "rror" in l or "arning" in l]
        check(code == 0 and not bad, f"fsck.cpm -n on {what}: exit {code}\n{text}")

    def listing(self, fmt, image):
        """cpmls: user number -> set of names (as cpmls shows them)."""
        code, text = self.tool("cpmls", "-f", fmt, image)
        check(code == 0, f"cpmls -f {fmt}: {text}")
        users, user = {}, None
        for line in text.splitlines():
            if line.endswith(":") and line[:-1].isdigit():
                user = int(line[:-1])
                users[user] = set()
            elif line.strip():
                users[user].add(line.strip())
        return users

    def copy_out(self, fmt, image, name, what, want):
        out = self.path("out.tmp")
        if os.path.exists(out):
            os.remove(out)
        code, text = self.tool("cpmcp", "-f", fmt, image, name, out)
        got = open(out, "rb").read() if code == 0 and os.path.exists(out) else None
        check(got == want, f"cpmcp {name} ({what}): " +
              (text if got is None else f"{len(got)} bytes, want {len(want)}"))


def make_drive(w, image):
    """Drive A: and drive B: formatted by mkfs.cpm, B: placed at 8 MiB."""
    w.tool("mkfs.cpm", "-f", "veld", "a.part")
    w.tool("mkfs.cpm", "-f", "veldb", "b.part")
    a = w.read("a.part").ljust(DISK_BYTES, b"\0")
    b = w.read("b.part").ljust(DISK_BYTES, b"\0")
    w.write(image, a + b)
    os.remove(w.path("a.part"))
    os.remove(w.path("b.part"))


# cpmtools reach a disk at an offset only below the size of one disk, so
# drive B: is lifted out of the drive file into an image of its own (and put
# back after cpmtools wrote into it).
def lift_b(w, image, part):
    w.write(part, w.read(image)[DISK_BYTES:2 * DISK_BYTES])


def put_back_b(w, image, part):
    data = w.read(image)
    w.write(image, data[:DISK_BYTES] + w.read(part) + data[2 * DISK_BYTES:])


SIZES = [0, 1, 127, 128, 5000, 16384, 40000, 100000]


def written_files(w, known):
    """OUTPUT_CPM into drives A: and B: under users 0, 3 and 15."""
    make_drive(w, "drive.img")
    lines = ['Veld_cpm_drives = "drive.img"', ' import_bin "known.bin", $10000']
    expected = []  # (fmt, user, name, bytes)
    for size in SIZES:
        lines.append(f' output_cpm "A:F{size}.BIN", $10000, {size}')
        expected.append(("veld", 0, f"F{size}.BIN", known[:size]))
    lines += ["Veld_cpm_user = 3", ' output_cpm "A:USER3.DAT", $10010, 3000',
              ' output_cpm "B:ON_B.COM", $10020, 40000',
              "Veld_cpm_user = 15", ' output_cpm "b:X", $10030, 129']
    expected += [("veld", 3, "USER3.DAT", known[0x10:0x10 + 3000]),
                 ("veldb", 3, "ON_B.COM", known[0x20:0x20 + 40000]),
                 ("veldb", 15, "X", known[0x30:0x30 + 129])]
    code, out, err = w.assemble("\n".join(lines) + "\n")
    check(code == 0, f"OUTPUT_CPM source: exit {code}\n{out}{err}")
    check(os.path.getsize(w.path("drive.img")) == 2 * DISK_BYTES, "the drive file keeps its size")

    a = w.listing("veld", "drive.img")
    want_a = {0: {f"f{s}.bin" for s in SIZES if s > 0}, 3: {"user3.dat"}}
    check(a == want_a, f"cpmls of drive A: {a}, want {want_a} (a 0-byte file makes no entry)")
    lift_b(w, "drive.img", "b.img")
    b = w.listing("veldb", "b.img")
    check(b == {3: {"on_b.com"}, 15: {"x"}}, f"cpmls of drive B: {b}")
    for fmt, user, name, data in expected:
        if data:
            image = "b.img" if fmt == "veldb" else "drive.img"
            w.copy_out(fmt, image, f"{user}:{name}", "written by OUTPUT_CPM", data)
    w.fsck("veld", "drive.img", "drive A after OUTPUT_CPM")
    w.fsck("veldb", "b.img", "drive B after OUTPUT_CPM")

    # Overwriting: a smaller and a larger file under the same names, and a
    # file cpmtools put in, replaced by OUTPUT_CPM.
    w.write("put.bin", known[:7000])
    w.tool("cpmcp", "-f", "veld", "drive.img", "put.bin", "0:PUT.BIN")
    code, out, err = w.assemble('Veld_cpm_drives = "drive.img"\n import_bin "known.bin", $10000\n'
                                ' output_cpm "A:F100000.BIN", $10100, 300\n'
                                ' output_cpm "A:F128.BIN", $10200, 70000\n'
                                ' output_cpm "A:PUT.BIN", $10300, 20\n')
    check(code == 0, f"overwriting source: exit {code}\n{out}{err}")
    w.copy_out("veld", "drive.img", "0:F100000.BIN", "overwritten smaller", known[0x100:0x100 + 300])
    w.copy_out("veld", "drive.img", "0:F128.BIN", "overwritten larger", known[0x200:0x200 + 70000])
    w.copy_out("veld", "drive.img", "0:PUT.BIN", "put by cpmcp, overwritten", known[0x300:0x300 + 20])
    w.copy_out("veld", "drive.img", "0:F5000.BIN", "untouched", known[:5000])
    w.fsck("veld", "drive.img", "drive A after overwriting")
    code, text = w.tool("cpmls", "-f", "veld", "-l", "drive.img")
    check(text.count("put.bin") == 1 and text.count("f128.bin") == 1,
          "each overwritten file is listed once:\n" + text)


def read_files(w, known):
    """Files put in by cpmcp, read back by IMPORT_CPM."""
    make_drive(w, "read.img")
    lines = ['Veld_cpm_drives = "read.img"']
    at = 0x10000
    checks = []
    for i, size in enumerate(s for s in SIZES if s > 0):
        data = (known[i:] + known[:i])[:size]
        w.write(f"in{size}.bin", data)
        user = i % 3
        w.tool("cpmcp", "-f", "veld", "read.img", f"in{size}.bin", f"{user}:IN{size}.BIN")
        lines += [f"Veld_cpm_user = {user}", f' import_cpm "A:IN{size}.BIN", ${at:X}',
                  f' output_bin "in{size}.out", ${at:X}, {size}']
        checks.append((f"in{size}.out", data, f"A:IN{size}.BIN, user {user}"))
        at += 0x20000
    w.write("onb.bin", known[5:5 + 33333])
    lift_b(w, "read.img", "rb.img")
    w.tool("cpmcp", "-f", "veldb", "rb.img", "onb.bin", "0:ONB.BIN")
    put_back_b(w, "read.img", "rb.img")
    lines += ["Veld_cpm_user = 0", " org $180000", ' import_cpm "B:ONB.BIN"', "after:",
              " dw after", ' output_bin "onb.out", $180000, 33335',
              ' import_cpm "B:ONB.BIN", $100000, 1000, 0, 33000',
              ' output_bin "onbslice.out", $100000, 333']
    end = 0x180000 + 33333
    checks.append(("onb.out", known[5:5 + 33333] + bytes([end & 255, (end >> 8) & 255]),
                   "B:ONB.BIN planted at PC, a label after it"))
    checks.append(("onbslice.out", known[5 + 33000:5 + 33333],
                   "B:ONB.BIN, length 1000 from offset 33000, cut at the end"))
    code, out, err = w.assemble("\n".join(lines) + "\n")
    check(code == 0, f"IMPORT_CPM source: exit {code}\n{out}{err}")
    for name, want, what in checks:
        got = w.read(name) if os.path.exists(w.path(name)) else None
        check(got == want, f"IMPORT_CPM {what}: " + ("no output" if got is None else
                                                     f"{len(got)} bytes differ from the file"))

    # The 8-bit layout, both ways.
    w.tool("mkfs.cpm", "-f", "narrow", "narrow.img")
    w.write("narrow.img", w.read("narrow.img").ljust(248 * 1024, b"\0"))
    w.write("n.bin", known[:20000])
    w.tool("cpmcp", "-f", "narrow", "narrow.img", "n.bin", "0:N.BIN")
    code, out, err = w.assemble('Veld_cpm_drives = "narrow.img"\n' + NARROW_SETTINGS +
                                ' import_cpm "A:N.BIN", $10000\n'
                                ' output_bin "n.out", $10000, 20000\n'
                                ' output_cpm "A:M.BIN", $10000, 17000\n')
    check(code == 0, f"8-bit source: exit {code}\n{out}{err}")
    check(os.path.exists(w.path("n.out")) and w.read("n.out") == known[:20000],
          "IMPORT_CPM with 8-bit block numbers")
    w.copy_out("narrow", "narrow.img", "0:M.BIN", "8-bit block numbers", known[:17000])
    w.fsck("narrow", "narrow.img", "the 8-bit disk")


def full_disks(w, known):
    """No free entry, no free block: the message, exit 1, a consistent disk."""
    w.tool("mkfs.cpm", "-f", "narrow", "full.img")
    w.write("full.img", w.read("full.img").ljust(248 * 1024, b"\0"))
    w.write("tiny.bin", b"x")
    for i in range(63):
        w.tool("cpmcp", "-f", "narrow", "full.img", "tiny.bin", f"0:T{i}")
    w.write("old.bin", known[:100])
    w.tool("cpmcp", "-f", "narrow", "full.img", "old.bin", "0:OLD.BIN")
    code, out, err = w.assemble('Veld_cpm_drives = "full.img"\n' + NARROW_SETTINGS +
                                ' import_bin "known.bin", $10000\n'
                                ' output_cpm "A:OLD.BIN", $10000, 20000\n')
    check(code == 1, f"full directory: exit {code}, want 1")
    check('CP/M write file: "A:OLD.BIN" - failed: no free directory entry (the old file of that '
          'name is deleted)' in err, "full directory message:\n" + err)
    names = w.listing("narrow", "full.img").get(0, set())
    check(len(names) == 63 and "old.bin" not in names, f"the old file is deleted: {sorted(names)}")
    w.fsck("narrow", "full.img", "a full directory after the failed write")

    w.tool("mkfs.cpm", "-f", "narrow", "fulld.img")
    w.write("fulld.img", w.read("fulld.img").ljust(248 * 1024, b"\0"))
    big = known * 3
    w.write("big.bin", big)
    code, out, err = w.assemble('Veld_cpm_drives = "fulld.img"\n' + NARROW_SETTINGS +
                                ' import_bin "big.bin", $10000\n'
                                ' output_cpm "A:FITS.BIN", $10000, 220000\n'
                                ' output_cpm "A:TOOBIG.BIN", $10000, 40000\n')
    check(code == 1, f"full disk: exit {code}, want 1")
    check('CP/M write file: "A:TOOBIG.BIN" - failed: the disk is full' in err,
          "full disk message:\n" + err)
    check(w.listing("narrow", "fulld.img") == {0: {"fits.bin"}}, "only the file that fits is listed")
    w.copy_out("narrow", "fulld.img", "0:FITS.BIN", "written before the disk filled", big[:220000])
    w.fsck("narrow", "fulld.img", "a full disk after the failed write")


README_EXAMPLE = """        EMULATE_SPECTRUM "CPM"
Veld_cpm_drives = "drive.img"           ; beside the source (or a path)
        ORG $100
start:  LD DE, msg
        LD C, 9                         ; BDOS: print string
        JP 5
msg:    DB "Hello from Veld", 13, 10, "$"
        OUTPUT_CPM "A:HELLO.COM", start, $ - start
"""

Z80ASM_EXAMPLE = """        org 256
start:  ld de, msg
        ld c, 9
        jp 5
msg:    db "Hello from Veld", 13, 10, "$"
"""


def readme_example(w):
    if not shutil.which("z80asm"):
        print("z80asm is not installed: the README example is not compared")
        return
    make_drive(w, "drive.img")
    code, out, err = w.assemble(README_EXAMPLE)
    check(code == 0, f"README example: exit {code}\n{out}{err}")
    with open(w.path("hello.z80"), "w") as f:
        f.write(Z80ASM_EXAMPLE)
    w.tool("z80asm", "-o", "hello.ref", "hello.z80")
    w.copy_out("veld", "drive.img", "0:HELLO.COM", "the README example", w.read("hello.ref"))
    w.fsck("veld", "drive.img", "the README example")


def main():
    for tool in ("mkfs.cpm", "cpmls", "cpmcp", "fsck.cpm"):
        if not shutil.which(tool):
            skip(tool + " (package cpmtools) is not installed")
    rng = random.Random(7)
    known = bytes(rng.randrange(256) for _ in range(100000))
    with tempfile.TemporaryDirectory(prefix="veldcpm") as tmp:
        w = Work(tmp)
        w.write("known.bin", known)
        written_files(w, known)
        read_files(w, known)
        full_disks(w, known)
        readme_example(w)
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("cpmtools agree with every drive file")
    return 0


if __name__ == "__main__":
    sys.exit(main())
