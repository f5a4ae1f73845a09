#!/usr/bin/env python3
"""Sources that ask for absurd amounts of work or memory stop with a clear
error instead of running for hours or exhausting memory. Each runs the real
program with its address space capped (1 GiB, unless the program is built
with the address sanitizer, which reserves far more) and a generous timeout
that only catches a hang; every one must end with exit code 1 and the error
its bound gives:

- DS of 2 G bytes (the largest count: values are 32-bit, so $FFFFFFFF is -1
  and plants nothing): the space leaves the memory image ("Address Error").
- REPT 2^31 - 1 rounds: refused on the REPT line before the body runs (212).
- A string doubled without end in a WHILE loop: the string bound (212).
- A macro that calls itself appending to a string: the nesting bound (212).
- FOR with a float step too small to move the variable: the trip bound (212).
- Ten million labels made by nested LOOPs: the symbol table's bound (212).
- A function looping a million rounds, called from a loop: the rounds of one
  pass count function rounds too (212).
- A run repeated without end (MULTIPASS 2^31 - 1): refused (212).
- A loop whose rounds stay within both round bounds but whose long body makes
  them cost hundreds of millions of statements: the statements of one pass
  (212).

Usage: check_bounds.py QAS
"""
import os
import resource
import subprocess
import sys
import tempfile

QAS = os.path.abspath(sys.argv[1])
MEMORY_CAP = 1 << 30
HANG = 300  # seconds: only a hang gets anywhere near this
RESOURCES = "error: Ran out of resources - endless loop?"

# (name, source, the error the run must end with)
CASES = [
    ("ds_2g", " ORG $8000\n DS $7FFFFFFF\n nop\n", "error: Address Error"),
    ("rept_2_31", "n = 0\n REPT $7FFFFFFF\nn = n + 1\n MEND\n", RESOURCES),
    ("string_doubled",
     's = "abcdefgh"\n WHILE 1\ns = s + s\n WEND\n DB s\n', RESOURCES),
    ("string_macro",
     'grow MACRO(t)\n grow(t + "xyz")\n MEND\n grow("a")\n', RESOURCES),
    ("for_tiny_step",
     "n = 0\n FOR f = 1.0 TO 2.0 STEP 0." + "0" * 30 + "1\nn = n + 1\n NEXT\n", RESOURCES),
    ("ten_million_labels",
     ' LOOP 10, i\n LOOP 1000000, j\n LABEL("l" + TOSTR(i) + "_" + TOSTR(j))\n'
     ' LEND\n LEND\n', RESOURCES),
    ("function_loop_in_loop",
     "[[\nFUNCTION spin(n)\n{\n WHILE 1 n = n + 1\n RETURN n\n}\n]]\n"
     "total = 0\n LOOP 1000\ntotal = total + spin(0)\n LEND\n", RESOURCES),
    ("multipass", " MULTIPASS $7FFFFFFF\n nop\n", RESOURCES),
    ("long_loop_body", "n = 0\n LOOP 1000000\n" + "n = n + 1\n" * 500 + " LEND\n", RESOURCES),
]


def sanitized():
    # The sanitizer build links its runtime as a shared library, so the
    # program holds the names of its entry points rather than its messages.
    with open(QAS, "rb") as f:
        data = f.read()
    return b"__asan_init" in data or b"AddressSanitizer" in data


def cap_memory():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_CAP, MEMORY_CAP))


def main():
    failures = []
    limit = None if sanitized() else cap_memory
    with tempfile.TemporaryDirectory(prefix="veldbounds") as tmp:
        for name, source, error in CASES:
            folder = os.path.join(tmp, name)
            os.makedirs(folder)
            with open(os.path.join(folder, "main.asm"), "w", encoding="latin-1") as f:
                f.write(source)
            try:
                p = subprocess.run([QAS, "main.asm"], cwd=folder, capture_output=True,
                                   timeout=HANG, preexec_fn=limit)
            except subprocess.TimeoutExpired:
                failures.append(f"{name}: still running after {HANG} s")
                continue
            err = p.stderr.decode("latin-1")
            if p.returncode != 1 or error not in err:
                failures.append(f"{name}: exit {p.returncode}, expected 1 and {error!r}; "
                                f"stderr:\n{err[-800:]}")
    for f in failures:
        print("FAIL: " + f)
    if failures:
        return 1
    print(f"all {len(CASES)} bound checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
