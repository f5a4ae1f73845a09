#!/usr/bin/env python3
"""Round trip through an independent disassembler.

A byte table covers every opcode of the unprefixed, $CB, $ED, $DD, $FD,
$DD $CB and $FD $CB pages, each followed by operand bytes taken from a few
fillers that are themselves one-byte instructions (so whatever an opcode does
not consume still disassembles). z80dasm turns the table into source; qas
must assemble that source back to the same bytes. Opcodes z80dasm does not
know come back as DEFB lines.

A second table, disassembled with undocumented instructions written out
(index halves, SLI, IN F,(C), OUT (C),0 and the (IX+d) register copies),
checks those forms as well.

Usage: z80_dasm_roundtrip.py QAS   (exit 77 when z80dasm is not installed)
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

FILLERS = [(0x00, 0x00), (0x7F, 0x80), (0x80, 0xFF), (0xFF, 0x7F)]
DISPS = [0x00, 0x7F, 0x80, 0xFF]
ORIGIN = 0x8000


def table(undocumented_copies):
    out = bytearray()
    for a, b in FILLERS:
        for op in range(256):
            if op not in (0xCB, 0xDD, 0xED, 0xFD):
                out += bytes([op, a, b])
            out += bytes([0xED, op, a, b])
            for pre in (0xDD, 0xFD):
                if op != 0xCB:
                    out += bytes([pre, op, a, b])
    for op in range(256):
        out += bytes([0xCB, op])
    for pre in (0xDD, 0xFD):
        for d in DISPS:
            for op in range(256):
                # BIT with a register copy is no instruction of ours.
                if not undocumented_copies and (op & 7) != 6:
                    continue
                if 0x40 <= op < 0x80 and (op & 7) != 6:
                    continue
                out += bytes([pre, 0xCB, d, op])
    return bytes(out)


def to_qas_source(listing):
    """z80dasm's listing with our output directive in place of its END; the
    undocumented "op (ix+d) & ld r,(ix+d)" copies become "op (ix+d),r"."""
    lines = []
    copy = re.compile(r"^(\s*\w+ (?:\d,)?\((?:ix|iy)[+-]\w+\)) & ld (\w),\((?:ix|iy)[+-]\w+\)")
    for line in listing.splitlines():
        if line.strip() != "end":
            lines.append(copy.sub(r"\1,\2", line))
    lines.append(f'\tOUTPUT_BIN "qas.bin", {ORIGIN}, $ - {ORIGIN}')
    return "\tzoWarnFlow = 0\n" + "\n".join(lines) + "\n"


def round_trip(qas, data, tmp, name, undoc):
    src_bin = os.path.join(tmp, name + ".bin")
    with open(src_bin, "wb") as f:
        f.write(data)
    args = ["z80dasm", "-g", str(ORIGIN)] + (["-u"] if undoc else []) + [src_bin]
    d = subprocess.run(args, capture_output=True, text=True, timeout=120)
    if d.returncode != 0:
        print("z80dasm failed:", d.stderr)
        return 1
    asm = os.path.join(tmp, name + ".asm")
    with open(asm, "w") as f:
        f.write(to_qas_source(d.stdout))
    q = subprocess.run([qas, name + ".asm"], cwd=tmp, capture_output=True, text=True, timeout=300)
    out = os.path.join(tmp, "qas.bin")
    if q.returncode != 0 or not os.path.exists(out):
        print(f"qas failed on {name}:", q.stdout[-2000:], q.stderr[-2000:])
        return 1
    got = open(out, "rb").read()
    os.remove(out)
    if got == data:
        mnemonics = sum(1 for l in d.stdout.splitlines()
                        if l.startswith("\t") and not l.strip().startswith(("defb", "org", "end")))
        print(f"{name}: {len(data)} bytes, {mnemonics} instructions back identical")
        return 0
    listing = d.stdout.splitlines()
    for i in range(min(len(got), len(data))):
        if got[i] != data[i]:
            print(f"{name}: first difference at {ORIGIN + i:04X}: table {data[i]:02X}, qas {got[i]:02X}")
            near = [l for l in listing if f"{ORIGIN + i:04x}" in l.lower()]
            if near:
                print("  near:", near[0])
            break
    else:
        print(f"{name}: length differs: table {len(data)}, qas {len(got)}")
    return 1


def main():
    qas = os.path.abspath(sys.argv[1])
    if not shutil.which("z80dasm"):
        print("z80dasm is not installed (scripts/install-deps.sh installs it)")
        return 77
    tmp = tempfile.mkdtemp(prefix="veldz80d")
    try:
        f = round_trip(qas, table(False), tmp, "documented", False)
        f += round_trip(qas, table(True), tmp, "undocumented", True)
        return 1 if f else 0
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
