#!/usr/bin/env python3
"""Checks the source exports with the compilers they are written for, and
the file operations against a real second file system.

The exact text of OUTPUT_UNIT units and of a list file is compared with the
layout rules written out here. OUTPUT_C headers are compiled by gcc (-Wall -Werror) into a program that
prints its arrays; OUTPUT_UNIT units are compiled by Free Pascal into a
program that does the same. The printed bytes must equal the bytes the source
plants, which this script computes itself. Each compiler check runs when its
compiler is installed. pasmo reads an EXPORT_SYM file and must find in it the
addresses it gives the same program itself.
VELDMOVEFILE into /dev/shm (when that is another file system) must copy and
delete, and still never replace an existing file.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

QAS = os.path.abspath(sys.argv[1])

# Byte tables planted by the test source: (array name, declaration, start,
# values). Lengths around the 16-entries line: 1, 16, 17 and a longer one.
TABLES = [
    ("one", "const unsigned char one", 0x8000, [0xA5]),
    ("row", "unsigned char row", 0x8100, [(i * 37 + 5) & 255 for i in range(16)]),
    ("spill", "const unsigned char spill", 0x8200, [255 - i for i in range(17)]),
    ("big", "static const unsigned char big", 0x9000, [(i * i + 3 * i) & 255 for i in range(300)]),
]


def source(kind):
    lines = []
    for name, decl, start, values in TABLES:
        lines.append(f"        ORG ${start:04X}")
        for i in range(0, len(values), 8):
            lines.append("        DB " + ",".join(str(v) for v in values[i:i + 8]))
    for name, decl, start, values in TABLES:
        if kind == "c":
            lines.append(f'        OUTPUT_C "{name}.h", "{name.upper()}", "{decl}", '
                         f'"// table {name} with a \\"quoted\\" word", ${start:04X}, {len(values)}')
        else:
            lines.append(f'        OUTPUT_UNIT "u{name}.pas", "u{name}", "{name}", '
                         f'"// table {name}", ${start:04X}, {len(values)}')
    # A header or unit without an array must still compile.
    if kind == "c":
        lines.append('        OUTPUT_C "empty.h", "EMPTY", "unsigned char e", "", $8000, 0')
    else:
        lines.append('        OUTPUT_UNIT "uempty.pas", "uempty", "e", "", -1, 4')
    return "\n".join(lines) + "\n"


def assemble(work, text):
    with open(os.path.join(work, "main.asm"), "w") as f:
        f.write(text)
    p = subprocess.run([QAS, "main.asm"], cwd=work, capture_output=True, text=True)
    if p.returncode != 0:
        raise SystemExit("qas failed:\n" + p.stdout + p.stderr)


def expected_output():
    return "".join(name + " " + " ".join(f"{v:02X}" for v in values) + "\n"
                   for name, _, _, values in TABLES)


def compare(tool, got):
    want = expected_output()
    if got != want:
        print(f"{tool}: printed bytes differ\n--- expected\n{want}--- got\n{got}")
        return False
    print(f"{tool}: {len(TABLES)} arrays match")
    return True


def check_c(work):
    if not shutil.which("gcc"):
        print("SKIP gcc: not installed")
        return None
    assemble(work, source("c"))
    prog = ['#include <stdio.h>', '#include "empty.h"']
    prog += [f'#include "{name}.h"' for name, *_ in TABLES]
    prog.append("static void show(const char *n, const unsigned char *p, size_t len) {")
    prog.append('  printf("%s", n);')
    prog.append('  for (size_t i = 0; i < len; i++) printf(" %02X", p[i]);')
    prog.append('  printf("\\n");')
    prog.append("}")
    prog.append("int main(void) {")
    prog += [f'  show("{name}", {name}, sizeof {name});' for name, *_ in TABLES]
    prog.append("  return 0;")
    prog.append("}")
    with open(os.path.join(work, "show.c"), "w") as f:
        f.write("\n".join(prog) + "\n")
    # The header is included twice somewhere in a real project: the guard
    # must hold, so include one of them again.
    with open(os.path.join(work, "show.c"), "a") as f:
        f.write('#include "row.h"\n')
    c = subprocess.run(["gcc", "-std=c99", "-Wall", "-Wextra", "-Werror", "-o", "show", "show.c"],
                       cwd=work, capture_output=True, text=True)
    if c.returncode != 0:
        print("gcc failed:\n" + c.stdout + c.stderr)
        return False
    r = subprocess.run(["./show"], cwd=work, capture_output=True, text=True)
    return compare("gcc", r.stdout)


def check_pascal(work):
    if not shutil.which("fpc"):
        print("SKIP fpc: Free Pascal not installed (Debian package fp-compiler)")
        return None
    assemble(work, source("pascal"))
    units = ", ".join("u" + name for name, *_ in TABLES)
    prog = ["program show;", f"uses uempty, {units};", "",
            "procedure Dump(const n: string; const p: array of byte);",
            "var i: integer;", "begin", "  write(n);",
            "  for i := 0 to High(p) do write(' ', HexStr(p[i], 2));", "  writeln;", "end;", "",
            "begin"]
    prog += [f"  Dump('{name}', {name});" for name, *_ in TABLES]
    prog.append("end.")
    with open(os.path.join(work, "show.pas"), "w") as f:
        f.write("\n".join(prog) + "\n")
    c = subprocess.run(["fpc", "-Sew", "-vew", "show.pas"], cwd=work, capture_output=True,
                       text=True)
    if c.returncode != 0:
        print("fpc failed:\n" + c.stdout + c.stderr)
        return False
    r = subprocess.run(["./show"], cwd=work, capture_output=True, text=True)
    return compare("fpc", r.stdout)


GENERATED_BY = ("// This data was generated automatically by VeldZ80 (see https://veld.example.org)"
                " using an output_unit command.")


def quoted(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def pascal_unit(name, unit, array, comment, start, length, data):
    """The unit's lines as the layout rules give them."""
    lines = [f"unit {unit}; // This file was automatically generated by VeldZ80", ""]
    if comment:
        lines += [comment, ""]
    example = ",".join([quoted(name), quoted(unit), quoted(array), quoted(comment), str(start),
                        str(length)])
    lines += [GENERATED_BY, "// eg:", "// output_unit " + example, "", "interface", ""]
    if start < 0 or length < 1:
        lines.append("// The base address or count values in Veld were invalid. No code generated...")
    else:
        width = 2 if length <= 0xFF else 4 if length <= 0xFFFF else 6
        lines.append(f"const {array} :array[0..{length - 1}] of byte = (")
        for i in range(0, length, 16):
            row = data[i:i + 16]
            end = ",  //" if i + 16 < length else "); //"
            first, last = start + i, start + i + len(row) - 1
            lines.append("  " + ",".join(f"${b:02X}" for b in row) + end +
                         f"{first:0{width}X} .. {last:0{width}X}")
    lines += ["", "implementation", "", "end.", ""]
    return "".join(l + "\r\n" for l in lines).encode("latin-1")


def check_pascal_layout(work):
    """Exact text of units: line comments and their width, the last line, the
    invalid-range comment, the quoted example line, CR LF after every line."""
    row = list(range(0x10, 0x20)) + [0xFF]
    units = [
        ("u17.pas", "u17", "tab", "{ a \"unit\" }", 0x9000, 17, row),
        ("u260.pas", "u260", "big", "", 0xBF80, 260, [0xE5] * 260),
        ("u70k.pas", "u70k", "huge", "", 0x10000, 70000, None),
        ("wrap.pas", "wrap", "w", "", 0xFFF0, 17, list(range(16)) + [0]),
        ("neg.pas", "neg", "n", "", -1, 4, []),
        ("zero.pas", "zero", "z", "", 0x9000, 0, []),
    ]
    src = ["        ORG $9000", "        DB " + ",".join(map(str, row)),
           "        ORG $BF80", "        DS 260, $E5",
           "        ORG $FFF0", "        DB " + ",".join(map(str, range(16)))]
    for name, unit, array, comment, start, length, _ in units:
        text = comment.replace("\\", "\\\\").replace('"', '\\"')
        src.append(f'        OUTPUT_UNIT "{name}", "{unit}", "{array}", "{text}", {start}, {length}')
    assemble(work, "\n".join(src) + "\n")
    ok = True
    for name, unit, array, comment, start, length, data in units:
        if data is None:
            data = [0] * length
        want = pascal_unit(os.path.join(work, name), unit, array, comment, start, length, data)
        got = open(os.path.join(work, name), "rb").read()
        if got != want:
            wl, gl = want.split(b"\r\n"), got.split(b"\r\n")
            n = next((i for i in range(min(len(wl), len(gl))) if wl[i] != gl[i]), None)
            print(f"layout {name}: line {n}: expected {wl[n] if n is not None else wl[-1]!r}, "
                  f"got {gl[n] if n is not None else gl[-1]!r}")
            ok = False
    if ok:
        print(f"layout: {len(units)} Pascal units as the rules give them")
    return ok


def check_move_across(work):
    """VELDMOVEFILE between two file systems: copy, then delete the original;
    an existing destination there is still never replaced."""
    other = "/dev/shm"
    if not os.path.isdir(other) or os.stat(other).st_dev == os.stat(work).st_dev:
        print("SKIP move across file systems: no second file system at /dev/shm")
        return None
    with tempfile.TemporaryDirectory(prefix="veldmove", dir=other) as far:
        payload = bytes(range(256)) * 9
        with open(os.path.join(work, "payload.bin"), "wb") as f:
            f.write(payload)
        with open(os.path.join(far, "taken.bin"), "wb") as f:
            f.write(b"taken")
        with open(os.path.join(work, "second.bin"), "wb") as f:
            f.write(b"second")
        assemble(work, f'        VELDMOVEFILE "payload.bin", "{far}/moved.bin"\n'
                       f'        VELDMOVEFILE "second.bin", "{far}/taken.bin"\n')
        moved = os.path.join(far, "moved.bin")
        ok = (os.path.exists(moved) and open(moved, "rb").read() == payload
              and not os.path.exists(os.path.join(work, "payload.bin"))
              and open(os.path.join(far, "taken.bin"), "rb").read() == b"taken"
              and open(os.path.join(work, "second.bin"), "rb").read() == b"second"
              and sorted(os.listdir(far)) == ["moved.bin", "taken.bin"])
    print("move across file systems: " + ("as described" if ok else "WRONG"))
    return ok


PROGRAM = """        ORG $8000
Start:  ld hl,Table
        ld b,10
CopyLoop:
        ld a,(hl)
        inc hl
        djnz CopyLoop
        call Helper
        jp Finish
Table:  DB 1,2,3,4,5,6,7,8,9,10
        DS 100
Buffer: DS 256
Helper: ld de,Buffer
        ret
Finish: ret
        ORG $C000
HighData:
        DW Start, Finish
LastByte:
        nop
"""
LABELS = ["Start", "CopyLoop", "Table", "Buffer", "Helper", "Finish", "HighData", "LastByte"]


def check_symbols_with_pasmo(work):
    """The default symbol layout ("name EQU $nnnn") is read by pasmo, and the
    values pasmo takes from it are the addresses pasmo itself gives the same
    program's labels."""
    if not shutil.which("pasmo"):
        print("SKIP pasmo: not installed")
        return None
    with open(os.path.join(work, "prog.asm"), "w") as f:
        f.write(PROGRAM)
    assemble(work, '        INCLUDE "prog.asm"\n        EXPORT_SYM "qas.sym", $80\n')
    # pasmo's own addresses for the program's labels.
    p = subprocess.run(["pasmo", "prog.asm", "prog.bin", "pasmo.sym"], cwd=work,
                       capture_output=True, text=True)
    if p.returncode != 0:
        print("pasmo failed on the program:\n" + p.stdout + p.stderr)
        return False
    own = {}
    for line in open(os.path.join(work, "pasmo.sym")):
        m = re.match(r"^(\S+)\s+EQU\s+0*([0-9A-Fa-f]+)H", line)
        if m:
            own[m.group(1).upper()] = int(m.group(2), 16)
    # pasmo reads our symbol file and plants the values it found there.
    with open(os.path.join(work, "use.asm"), "w") as f:
        f.write('        INCLUDE "qas.sym"\n        ORG 0\n')
        f.write("".join(f"        DW {name}\n" for name in LABELS))
    p = subprocess.run(["pasmo", "use.asm", "use.bin"], cwd=work, capture_output=True, text=True)
    if p.returncode != 0:
        print("pasmo could not read the symbol file:\n" + p.stdout + p.stderr)
        return False
    data = open(os.path.join(work, "use.bin"), "rb").read()
    ok = True
    for i, name in enumerate(LABELS):
        got = data[2 * i] | data[2 * i + 1] << 8
        want = own.get(name.upper())
        if got != want:
            print(f"pasmo: {name} is {got:04X} in our symbol file, pasmo places it at {want}")
            ok = False
    if ok:
        print(f"pasmo: {len(LABELS)} labels of the symbol file at pasmo's own addresses")
    return ok


LIST_MAIN = """        ORG $8000
start:  nop
        ld a,5
        INCLUDE "one.asm"
double  MACRO(val1)
        DB val1, val1
        MEND
        double(7)
        INCLUDE "two.asm"
        DISP $1000
moved:  DB 1,2,3,4,5
        DISP 0
        DB $AA
        OUTPUT_LIST "prog.lst"
        OUTPUT_LIST ""
"""
LIST_ONE = "; the first include\n        DB 1,2,3\n"
LIST_TWO = "        DW $1234\n"


def check_list_file(work):
    """A program of three files with a macro expansion and a displaced block:
    groups in cell order, file markers, byte columns padded to four."""
    for name, text in (("one.asm", LIST_ONE), ("two.asm", LIST_TWO)):
        with open(os.path.join(work, name), "w") as f:
            f.write(text)
    assemble(work, LIST_MAIN)
    main, one, two = (os.path.join(work, n) for n in ("main.asm", "one.asm", "two.asm"))
    src = {main: LIST_MAIN.split("\n"), one: LIST_ONE.split("\n"), two: LIST_TWO.split("\n")}

    def row(cell, data, path, line):
        text = " ".join(f"{b:02X}" for b in data)
        return f"{cell:04X} {text}" + "   " * max(0, 4 - len(data)) + " " + src[path][line - 1]

    want = [
        "# File " + main,
        row(0x8000, [0x00], main, 2),
        row(0x8001, [0x3E, 0x05], main, 3),
        "# End of file " + main,
        "# File " + one,
        row(0x8003, [1, 2, 3], one, 2),
        "# End of file " + one,
        "# File " + main,
        row(0x8006, [7, 7], main, 8),  # the macro's bytes belong to its invocation
        "# End of file " + main,
        "# File " + two,
        row(0x8008, [0x34, 0x12], two, 1),
        "# End of file " + two,
        "# File " + main,
        row(0x800F, [0xAA], main, 13),
        row(0x900A, [1, 2, 3, 4, 5], main, 11),  # stored at PC + displacement
        "# End of file " + main,
    ]
    want_bytes = "".join(l + "\r\n" for l in want).encode("latin-1")
    got = open(os.path.join(work, "prog.lst"), "rb").read()
    ok = got == want_bytes
    if not ok:
        gl = got.decode("latin-1").split("\r\n")
        for i, w in enumerate(want):
            if i >= len(gl) or gl[i] != w:
                print(f"list: line {i + 1}: expected {w!r}, got {gl[i] if i < len(gl) else None!r}")
                break
    # The empty name wrote nothing: only the sources and the list are there.
    extra = sorted(set(os.listdir(work)) - {"main.asm", "one.asm", "two.asm", "prog.lst"})
    if extra:
        print(f"list: unexpected files {extra}")
        ok = False
    if ok:
        print("list: groups, file markers and byte columns as the rules give them")
    return ok


def main():
    root = os.environ.get("VELD_TOOLS_DIR") or tempfile.gettempdir()
    os.makedirs(root, exist_ok=True)
    results = []
    for check in (check_pascal_layout, check_list_file, check_move_across, check_c, check_pascal,
                  check_symbols_with_pasmo):
        with tempfile.TemporaryDirectory(prefix="veldexports", dir=root) as work:
            results.append(check(work))
    return 1 if False in results else 0


if __name__ == "__main__":
    sys.exit(main())
