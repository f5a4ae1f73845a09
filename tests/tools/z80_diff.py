#!/usr/bin/env python3
"""Differential test of the Z80 encoder.

1. Every documented Z80 instruction form, with several operand values
   (boundaries included), is assembled by qas and by pasmo; the bytes must be
   identical. Each instruction sits in its own 4-byte slot, so a difference
   names the instruction.
2. Forms pasmo lacks (undocumented registers and opcodes, short forms,
   composite loads, chained loads, LM) are assembled by qas and compared with
   bytes computed here from the opcode rules.

Usage: z80_diff.py QAS   (exit 77 when pasmo is not installed)
"""
import os
import shutil
import subprocess
import sys
import tempfile

R8 = ["b", "c", "d", "e", "h", "l", "a"]
RF = {"b": 0, "c": 1, "d": 2, "e": 3, "h": 4, "l": 5, "a": 7}
BYTES = ["0", "1", "07Fh", "080h", "0FFh", "055h"]
WORDS = ["0", "1", "07FFFh", "08000h", "0FFFFh", "01234h"]
DISPS = ["+0", "+1", "+127", "-128", "-1", "+040h", ""]
PORTS = ["0", "0FEh", "0FFh"]
JR_TARGETS = ["$", "$+2", "$+129", "$-126", "$+50"]
CONDS = ["nz", "z", "nc", "c", "po", "pe", "p", "m"]
ALU = ["add a,", "adc a,", "sub ", "sbc a,", "and ", "xor ", "or ", "cp "]
ALU_BASE = [0x80, 0x88, 0x90, 0x98, 0xA0, 0xA8, 0xB0, 0xB8]
SHIFTS = ["rlc", "rrc", "rl", "rr", "sla", "sra", "srl"]
SHIFT_BASE = {"rlc": 0, "rrc": 8, "rl": 0x10, "rr": 0x18, "sla": 0x20, "sra": 0x28,
              "sli": 0x30, "srl": 0x38}


def idx(reg, d):
    return f"({reg}{d})"


def documented():
    """Every documented form, as source lines pasmo understands."""
    out = []
    add = out.append
    for op in ["nop", "ccf", "cpl", "daa", "di", "ei", "exx", "halt", "rla", "rlca", "rra",
               "rrca", "scf", "cpd", "cpdr", "cpi", "cpir", "ind", "indr", "ini", "inir",
               "ldd", "lddr", "ldi", "lddr", "ldir", "neg", "otdr", "otir", "outd", "outi",
               "rld", "rrd", "reti", "retn", "ret", "ex de,hl", "ex af,af'", "ex (sp),hl",
               "ex (sp),ix", "ex (sp),iy", "jp (hl)", "jp (ix)", "jp (iy)", "ld sp,hl",
               "ld sp,ix", "ld sp,iy", "ld a,i", "ld a,r", "ld i,a", "ld r,a", "im 0", "im 1",
               "im 2", "ld a,(bc)", "ld a,(de)", "ld (bc),a", "ld (de),a"]:
        add(op)
    # 8-bit loads
    for d in R8:
        for s in R8:
            add(f"ld {d},{s}")
        for n in BYTES:
            add(f"ld {d},{n}")
        add(f"ld {d},(hl)")
        add(f"ld (hl),{d}")
        for x in ["ix", "iy"]:
            for disp in DISPS:
                add(f"ld {d},{idx(x, disp)}")
                add(f"ld {idx(x, disp)},{d}")
    for n in BYTES:
        add(f"ld (hl),{n}")
        for x in ["ix", "iy"]:
            for disp in DISPS:
                add(f"ld {idx(x, disp)},{n}")
    for nn in WORDS:
        add(f"ld a,({nn})")
        add(f"ld ({nn}),a")
        for rr in ["bc", "de", "hl", "sp", "ix", "iy"]:
            add(f"ld {rr},{nn}")
            add(f"ld {rr},({nn})")
            add(f"ld ({nn}),{rr}")
    # stack
    for rr in ["bc", "de", "hl", "af", "ix", "iy"]:
        add(f"push {rr}")
        add(f"pop {rr}")
    # 8-bit arithmetic and logic
    for op in ALU:
        for r in R8:
            add(op + r)
        for n in BYTES:
            add(op + n)
        add(op + "(hl)")
        for x in ["ix", "iy"]:
            for disp in DISPS:
                add(op + idx(x, disp))
    for op in ["inc", "dec"]:
        for r in R8:
            add(f"{op} {r}")
        add(f"{op} (hl)")
        for x in ["ix", "iy"]:
            for disp in DISPS:
                add(f"{op} {idx(x, disp)}")
        for rr in ["bc", "de", "hl", "sp", "ix", "iy"]:
            add(f"{op} {rr}")
    # 16-bit arithmetic
    for rr in ["bc", "de", "hl", "sp"]:
        add(f"add hl,{rr}")
        add(f"adc hl,{rr}")
        add(f"sbc hl,{rr}")
    for x in ["ix", "iy"]:
        for rr in ["bc", "de", x, "sp"]:
            add(f"add {x},{rr}")
    # rotates, shifts and bits
    for op in SHIFTS:
        for r in R8:
            add(f"{op} {r}")
        add(f"{op} (hl)")
        for x in ["ix", "iy"]:
            for disp in DISPS:
                add(f"{op} {idx(x, disp)}")
    for op in ["bit", "res", "set"]:
        for b in range(8):
            for r in R8:
                add(f"{op} {b},{r}")
            add(f"{op} {b},(hl)")
            for x in ["ix", "iy"]:
                for disp in ["+0", "-128", "+127", "-1"]:
                    add(f"{op} {b},{idx(x, disp)}")
    # jumps, calls, returns
    for nn in WORDS:
        add(f"jp {nn}")
        add(f"call {nn}")
        for cc in CONDS:
            add(f"jp {cc},{nn}")
            add(f"call {cc},{nn}")
    for cc in CONDS:
        add(f"ret {cc}")
    for t in JR_TARGETS:
        add(f"jr {t}")
        add(f"djnz {t}")
        for cc in CONDS[:4]:
            add(f"jr {cc},{t}")
    for p in range(0, 64, 8):
        add(f"rst {p}")
    # ports
    for n in PORTS:
        add(f"in a,({n})")
        add(f"out ({n}),a")
    for r in R8:
        add(f"in {r},(c)")
        add(f"out (c),{r}")
    return out


def hexs(*b):
    return " ".join(f"{x & 0xFF:02X}" for x in b)


def undocumented():
    """Forms pasmo lacks, with their bytes computed from the opcode rules."""
    out = []
    add = lambda src, *b: out.append((src, hexs(*b)))
    halves = {"ixh": (0xDD, 4), "ixl": (0xDD, 5), "iyh": (0xFD, 4), "iyl": (0xFD, 5)}
    # Index halves in loads: with A..E, or with the other half of the same register.
    for h, (pre, f) in halves.items():
        for r in ["a", "b", "c", "d", "e"]:
            add(f"ld {r},{h}", pre, 0x40 + RF[r] * 8 + f)
            add(f"ld {h},{r}", pre, 0x40 + f * 8 + RF[r])
        for h2, (pre2, f2) in halves.items():
            if pre2 == pre:
                add(f"ld {h},{h2}", pre, 0x40 + f * 8 + f2)
        for n in [0, 0x80, 0xFF]:
            add(f"ld {h},{n}", pre, 0x06 + f * 8, n)
        for op, base in zip(ALU, ALU_BASE):
            add(op + h, pre, base + f)
        add(f"inc {h}", pre, 0x04 + f * 8)
        add(f"dec {h}", pre, 0x05 + f * 8)
        for op in SHIFTS + ["sli"]:
            add(f"{op} {h}", pre, 0xCB, SHIFT_BASE[op] + f)
        for b in range(8):
            add(f"set {b},{h}", pre, 0xCB, 0xC0 + b * 8 + f)
    # SLI and the register copies of shifts and bit operations on (IX+d).
    for r in R8:
        add(f"sli {r}", 0xCB, 0x30 + RF[r])
    add("sli (hl)", 0xCB, 0x36)
    for x, pre in [("ix", 0xDD), ("iy", 0xFD)]:
        for d in [0, 5, 127, -128]:
            disp = f"+{d}" if d >= 0 else str(d)
            add(f"sli ({x}{disp})", pre, 0xCB, d, 0x36)
            for r in R8:
                for op in SHIFTS + ["sli"]:
                    add(f"{op} ({x}{disp}),{r}", pre, 0xCB, d, SHIFT_BASE[op] + RF[r])
                for b in range(8):
                    add(f"res {b},({x}{disp}),{r}", pre, 0xCB, d, 0x80 + b * 8 + RF[r])
                    add(f"set {b},({x}{disp}),{r}", pre, 0xCB, d, 0xC0 + b * 8 + RF[r])
    # Ports.
    add("in f,(c)", 0xED, 0x70)
    add("out (c),f", 0xED, 0x71)
    add("out (c),0", 0xED, 0x71)
    for r in R8:
        add(f"in {r},(bc)", 0xED, 0x40 + RF[r] * 8)
        add(f"out (bc),{r}", 0xED, 0x41 + RF[r] * 8)
    # Short forms, conditions NV and V, register jumps, LD I,I and LD R,R.
    for op, base in zip(ALU, ALU_BASE):
        name = op.split()[0].rstrip(",")
        n_op = base + 0x46
        add(f"{name} b", base)
        add(f"{name} a,c", base + 1)
        add(f"{name} (hl)", base + 6)
        add(f"{name} a,(ix+3)", 0xDD, base + 6, 3)
        add(f"{name} 9", n_op, 9)
        add(f"{name} a", base + 7)
    add("eor a,d", 0xAA)
    add("jp nv,01234h", 0xE2, 0x34, 0x12)
    add("jp v,01234h", 0xEA, 0x34, 0x12)
    add("call nv,5", 0xE4, 5, 0)
    add("ret v", 0xE8)
    add("jp hl", 0xE9)
    add("jp ix", 0xDD, 0xE9)
    add("jp iy", 0xFD, 0xE9)
    add("ld i,i", 0xED, 0x77)
    add("ld r,r", 0xED, 0x7F)
    # Composite 16-bit copies: high half to high half, low to low.
    pairs = {"bc": ("b", "c"), "de": ("d", "e"), "hl": ("h", "l"), "ix": ("ixh", "ixl"),
             "iy": ("iyh", "iyl")}

    def ld8(dst, src):
        pre = halves.get(dst, (0, 0))[0] or halves.get(src, (0, 0))[0]
        fd = halves[dst][1] if dst in halves else RF[dst]
        fs = halves[src][1] if src in halves else RF[src]
        return ([pre] if pre else []) + [0x40 + fd * 8 + fs]

    for dst, srcs in [("bc", ["de", "hl", "ix", "iy"]), ("de", ["bc", "hl", "ix", "iy"]),
                      ("hl", ["bc", "de"]), ("ix", ["bc", "de"]), ("iy", ["bc", "de"])]:
        for src in srcs:
            (dh, dl), (sh, sl) = pairs[dst], pairs[src]
            add(f"ld {dst},{src}", *(ld8(dh, sh) + ld8(dl, sl)))
    for x, pre in [("ix", 0xDD), ("iy", 0xFD)]:
        for d in [0, 1, 126, -128, -1]:
            disp = f"+{d}" if d >= 0 else str(d)
            for rr in ["bc", "de", "hl"]:
                h, l = pairs[rr]
                add(f"ld {rr},({x}{disp})", pre, 0x46 + RF[l] * 8, d, pre, 0x46 + RF[h] * 8, d + 1)
                add(f"ld ({x}{disp}),{rr}", pre, 0x70 + RF[l], d, pre, 0x70 + RF[h], d + 1)
    # Several loads on one line, and the merge of two immediate half loads.
    add("ld a,1, b,2", 0x3E, 1, 0x06, 2)
    add("ld b,1, d,2", 0x06, 1, 0x16, 2)
    for (h, l), op in [(("b", "c"), 0x01), (("d", "e"), 0x11), (("h", "l"), 0x21)]:
        add(f"ld {h},012h, {l},034h", op, 0x34, 0x12)
        add(f"ld {l},034h, {h},012h", op, 0x34, 0x12)
    add("ld ixh,1, ixl,2", 0xDD, 0x21, 2, 1)
    add("ld iyl,1, iyh,2", 0xFD, 0x21, 1, 2)
    add("ld hl,(5), (6),a, sp,hl", 0x2A, 5, 0, 0x32, 6, 0, 0xF9)
    add("push af,bc,de,hl,ix,iy", 0xF5, 0xC5, 0xD5, 0xE5, 0xDD, 0xE5, 0xFD, 0xE5)
    add("pop iy,ix,hl,de,bc,af", 0xFD, 0xE1, 0xDD, 0xE1, 0xE1, 0xD1, 0xC1, 0xF1)
    # LM: bytes of the value from the most significant down; pairs first, then
    # the 8-bit registers in list order, then SP.
    add("lm a,b, 01234h", 0x3E, 0x12, 0x06, 0x34)
    add("lm b,c, 01234h", 0x01, 0x34, 0x12)
    add("lm d,a,e, 0123456h", 0x11, 0x56, 0x12, 0x3E, 0x34)
    add("lm sp,h,l, 012345678h", 0x21, 0x78, 0x56, 0x31, 0x34, 0x12)
    add("lm iyl,ixh,ixl,iyh, 012345678h", 0xDD, 0x21, 0x56, 0x34, 0xFD, 0x21, 0x12, 0x78)
    add("lm a, 0FFh", 0x3E, 0xFF)
    return out


def run(cmd, cwd):
    return subprocess.run(cmd, cwd=cwd, capture_output=True, text=True, timeout=300)


def qas_source(body_lines, origin=0x8000):
    return ("\tzoWarnFlow = 0\n" + "".join(body_lines) + "finish:\n"
            f'\tOUTPUT_BIN "qas.bin", {origin}, finish - {origin}\n')


def compare_slots(qas, lines, tmp):
    """Assembles each line in its own 4-byte slot with both assemblers."""
    failures = 0
    for chunk_start in range(0, len(lines), 8000):
        chunk = lines[chunk_start:chunk_start + 8000]
        body = [f"\torg {0x8000 + 4 * i}\n\t{src}\n" for i, src in enumerate(chunk)]
        with open(os.path.join(tmp, "p.asm"), "w") as f:
            f.write("".join(body))
        with open(os.path.join(tmp, "q.asm"), "w") as f:
            f.write(qas_source(body))
        p = run(["pasmo", "--bin", "p.asm", "p.bin"], tmp)
        if p.returncode != 0:
            print("pasmo failed:", p.stdout, p.stderr)
            return 1
        q = run([qas, "q.asm"], tmp)
        if q.returncode != 0 or not os.path.exists(os.path.join(tmp, "qas.bin")):
            print("qas failed:", q.stdout, q.stderr)
            return 1
        want = open(os.path.join(tmp, "p.bin"), "rb").read()
        got = open(os.path.join(tmp, "qas.bin"), "rb").read()
        os.remove(os.path.join(tmp, "qas.bin"))
        for i, src in enumerate(chunk):
            w, g = want[4 * i:4 * i + 4], got[4 * i:4 * i + 4]
            if w != g:
                failures += 1
                if failures <= 20:
                    print(f"{src!r}: pasmo {w.hex(' ')}, qas {g.hex(' ')}")
        if len(want) != len(got):
            failures += 1
            print(f"length differs: pasmo {len(want)}, qas {len(got)}")
    return failures


def compare_expected(qas, cases, tmp):
    """Each case in its own 16-byte slot; bytes from the rules."""
    body = [f"\torg {0x8000 + 16 * i}\n\t{src}\n" for i, (src, _) in enumerate(cases)]
    with open(os.path.join(tmp, "u.asm"), "w") as f:
        f.write(qas_source(body))
    q = run([qas, "u.asm"], tmp)
    if q.returncode != 0 or not os.path.exists(os.path.join(tmp, "qas.bin")):
        print("qas failed:", q.stdout, q.stderr)
        return 1
    got = open(os.path.join(tmp, "qas.bin"), "rb").read()
    failures = 0
    for i, (src, want) in enumerate(cases):
        n = len(want.split())
        g = hexs(*got[16 * i:16 * i + n])
        rest = got[16 * i + n:16 * i + 16]
        if g != want or any(rest):
            failures += 1
            if failures <= 20:
                print(f"{src!r}: expected {want}, qas {got[16 * i:16 * i + 16].hex(' ')}")
    return failures


def main():
    qas = os.path.abspath(sys.argv[1])
    if not shutil.which("pasmo"):
        print("pasmo is not installed (scripts/install-deps.sh installs it)")
        return 77
    tmp = tempfile.mkdtemp(prefix="veldz80")
    try:
        doc = documented()
        undoc = undocumented()
        f1 = compare_slots(qas, doc, tmp)
        f2 = compare_expected(qas, undoc, tmp)
        print(f"{len(doc)} documented forms against pasmo: {f1} differences; "
              f"{len(undoc)} other forms against the rules: {f2} differences")
        return 1 if f1 or f2 else 0
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
