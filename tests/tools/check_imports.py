#!/usr/bin/env python3
"""IMPORT_HEX and IMPORT_BIN against files made by independent tools.

srec_cat (Debian srecord) writes one known binary in every hex format that
IMPORT_HEX reads: Intel HEX with 16-bit addresses, with extended segment
records (type 2) and with extended linear records (type 4); Motorola S19, S28
and S37; MOS Technology and Tektronix. hexdump (bsdextrautils) writes the
plain dump. Each file is imported at its own address, the regions are
written with OUTPUT_BIN, and every region must reproduce the binary (or the
slice that the maximum length, the extra offset or IMPORT_BIN's length and
offset select).

Usage: check_imports.py QAS
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

QAS = os.path.abspath(sys.argv[1])
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def skip(message):
    print("SKIP: " + message)
    sys.exit(77)


def assemble(folder, source):
    with open(os.path.join(folder, "main.asm"), "w", encoding="latin-1") as f:
        f.write(source)
    p = subprocess.run([QAS, "main.asm"], cwd=folder, capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode("latin-1") + p.stderr.decode("latin-1")


def read(folder, name):
    path = os.path.join(folder, name)
    return open(path, "rb").read() if os.path.exists(path) else None


def srec(folder, name, offset, fmt):
    subprocess.run(["srec_cat", "known.bin", "-binary", "-offset", hex(offset), "-o", name] + fmt,
                   cwd=folder, check=True)


# (file, origin given to srec_cat, srec_cat output options)
HEX_FILES = [
    ("i8.hex", 0x8000, ["-intel", "-address-length=2"]),
    ("i16.hex", 0x1F800, ["-intel", "-address-length=3"]),  # type 2 records
    ("i32.hex", 0x2F800, ["-intel", "-address-length=4"]),  # type 4 records
    ("s19.srec", 0x8000, ["-motorola", "-address-length=2"]),
    ("s28.srec", 0x18000, ["-motorola", "-address-length=3"]),
    ("s37.srec", 0x1000000, ["-motorola", "-address-length=4"]),
    ("mos.txt", 0x8000, ["-mos_tech"]),
    ("tek.txt", 0x4000, ["-tektronix"]),
]


def hostile_hex(tmp):
    """Hex files that no tool wrote: short lines, counts far past the line, and
    10 MB of random text. Fields past the end of a line read as 0 and
    characters that are not hex digits read as 0, so the bytes are known; the
    garbage must end in a report or success, never a crash or a hang."""
    with open(os.path.join(tmp, "short.hex"), "w") as f:
        # Three data bytes announced, one given: $AB then two zeros.
        # A count of $FF on an empty record: 255 zeros from $10 on.
        f.write(":03000000AB\n:FF001000\n")
    code, text = assemble(tmp, "\n".join([
        " org $9000", " ds 300, $77",
        ' import_hex "short.hex", $9000',
        ' output_bin "short.out", $9000, 300']) + "\n")
    check(code == 0, "short hex lines assemble:\n" + text)
    want = bytes([0xAB, 0, 0]) + bytes([0x77] * 13) + bytes(255) + bytes([0x77] * 29)
    check(read(tmp, "short.out") == want, "fields past the end of a line read as 0")

    rng = random.Random(23)
    alphabet = bytes(range(1, 256))
    lines = []
    size = 0
    while size < 10 * 1024 * 1024:
        line = bytes(rng.choice(alphabet) for _ in range(rng.randrange(1, 80))).replace(b"\n", b"")
        lead = rng.choice(b":S;/0123456789ABCDEF\x01 ")
        lines.append(bytes([lead]) + line)
        size += len(line) + 2
    with open(os.path.join(tmp, "garbage.hex"), "wb") as f:
        f.write(b"\n".join(lines))
    try:
        code, text = assemble(tmp, ' import_hex "garbage.hex", $10000\n')
        check(code in (0, 1) and "nErrors" in text,
              f"10 MB of garbage ends with a report (exit {code}):\n" + text[-2000:])
    except subprocess.TimeoutExpired:
        check(False, "10 MB of garbage did not finish in 120 s")


def main():
    if not shutil.which("srec_cat"):
        skip("srec_cat (package srecord) is not installed")
    if not shutil.which("hexdump"):
        skip("hexdump (package bsdextrautils) is not installed")
    rng = random.Random(20)
    known = bytes(rng.randrange(256) for _ in range(3000))
    with tempfile.TemporaryDirectory(prefix="veldimp") as tmp:
        with open(os.path.join(tmp, "known.bin"), "wb") as f:
            f.write(known)
        for name, origin, fmt in HEX_FILES:
            srec(tmp, name, origin, fmt)
        # CR LF line ends read the same.
        data = open(os.path.join(tmp, "i8.hex"), "rb").read()
        with open(os.path.join(tmp, "i8crlf.hex"), "wb") as f:
            f.write(data.replace(b"\n", b"\r\n"))
        # Plain dump: four address digits, then eight bytes after one blank each.
        dump = subprocess.run(["hexdump", "-v", "-e", '"%04_ax" 8/1 " %02X" "\\n"', "known.bin"],
                              cwd=tmp, capture_output=True, check=True).stdout
        with open(os.path.join(tmp, "dump.txt"), "wb") as f:
            f.write(dump)
        # Mixed formats, line by line: the first half as S19, the rest as
        # Intel HEX, with an empty line, a blank-led line and a comment between.
        s19 = open(os.path.join(tmp, "s19.srec")).read().splitlines()
        i8 = open(os.path.join(tmp, "i8.hex")).read().splitlines()
        half = [l for l in s19 if l.startswith("S1") and int(l[4:8], 16) < 0x8000 + 1500]
        rest = [l for l in i8 if l.startswith(":") and l[7:9] == "00" and
                int(l[3:7], 16) >= 0x8000 + 1500 - 32 and int(l[3:7], 16) + int(l[1:3], 16)
                > 0x8000 + 1500]
        with open(os.path.join(tmp, "mixed.txt"), "w") as f:
            f.write("\n".join(half + ["", " 8000 this line is skipped", "# a comment"] + rest) + "\n")

        names = [n for n, _, _ in HEX_FILES] + ["i8crlf.hex", "dump.txt", "mixed.txt"]
        lines = []
        for i, name in enumerate(names):
            at = 0x10000 + i * 0x1000
            lines.append(f' import_hex "{name}", ${at:X}')
            lines.append(f' output_bin "{name}.out", ${at:X}, {len(known)}')
        # Maximum length and extra offset: 3 bytes, then the rest of a record
        # cut; the whole file moved by 16.
        lines += [' import_hex "i8.hex", $30000, 3',
                  ' output_bin "max3.out", $30000, 8',
                  ' import_hex "s19.srec", $31000, 100, $10',
                  ' output_bin "extra.out", $31000, 120']
        # The address defaults to PC, which does not move.
        lines += [' org $32000', 'before:', ' import_hex "mos.txt"', 'after:',
                  ' output_bin "pc.out", $32000, 3000',
                  ' veldassert after = before']
        # IMPORT_BIN: whole, sliced with length and offset, and at PC where a
        # label after it has its value from the first pass on.
        lines += [' import_bin "known.bin", $40000', ' output_bin "bin.out", $40000, 3000',
                  ' import_bin "known.bin", $41000, 100, 2950',
                  ' output_bin "slice.out", $41000, 100',
                  ' org $42000',
                  ' import_bin "known.bin"', 'binend:', ' dw binend',
                  ' output_bin "plant.out", $42000, 3002']
        code, text = assemble(tmp, "\n".join(lines) + "\n")
        check(code == 0, "the import source assembles (exit " + str(code) + "):\n" + text)

        for name in names:
            got = read(tmp, name + ".out")
            check(got == known, f"{name}: imported bytes differ from the binary srec_cat read")
        got = read(tmp, "max3.out")
        check(got == known[:3] + bytes(5), "maximum length 3 takes the first 3 bytes only")
        got = read(tmp, "extra.out")
        check(got == bytes(16) + known[:100] + bytes(4), "extra offset 16 with maximum length 100")
        check(read(tmp, "pc.out") == known, "IMPORT_HEX without an address lands at PC")
        check(read(tmp, "bin.out") == known, "IMPORT_BIN of the whole file")
        check(read(tmp, "slice.out") == known[2950:] + bytes(50),
              "IMPORT_BIN with length 100 and offset 2950 takes the last 50 bytes")
        end = 0x42000 + 3000
        check(read(tmp, "plant.out") == known + bytes([end & 255, (end >> 8) & 255]),
              "IMPORT_BIN at PC moves PC by the file size")

        hostile_hex(tmp)

    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("all imports match")
    return 0


if __name__ == "__main__":
    sys.exit(main())
