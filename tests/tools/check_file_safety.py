#!/usr/bin/env python3
"""What the assembler must never do to a user's files, checked with real
processes and file systems:

1. An output naming a source of the assembly (the main file under its bare
   name, an include through another spelling or a link) is refused with one
   line, exit code 1, and the source is left as it was.
2. Failed writes: a full device (/dev/full), an output folder that is a file,
   a full file system (a small tmpfs, when this process may mount one) give
   one line naming the file and exit code 1; the previous file stays intact
   and no temporary file is left behind.
3. Two qas processes writing the same output at the same time leave one
   complete file, never a mix.
4. A build stopped by SIGTERM or SIGINT during the write-out leaves every
   output either complete or as it was before, and no temporary file.

Usage: check_file_safety.py QAS
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

QAS = os.path.abspath(sys.argv[1])
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def run(folder, main="main.asm"):
    p = subprocess.run([QAS, main], cwd=folder, capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")


def write(path, text):
    with open(path, "w", encoding="latin-1") as f:
        f.write(text)


def temporaries(folder):
    return [n for n in os.listdir(folder) if n.startswith(".") and len(n) > 7]


def sources_are_protected(tmp):
    d = os.path.join(tmp, "protect")
    os.makedirs(d)
    main = ' nop\n OUTPUT_BIN "main.asm", 0, 1\n INCLUDE "inc.asm"\n'
    write(os.path.join(d, "main.asm"), main)
    write(os.path.join(d, "inc.asm"), ' db 1\n')
    rc, _, err = run(d)
    check(rc == 1, "bare main source name as output: exit code 1")
    check(f' Output file "{d}/main.asm" can\'t be written: it is a source file of this assembly'
          in err.splitlines(), "bare main source name as output: the refusal line")
    check(open(os.path.join(d, "main.asm"), encoding="latin-1").read() == main,
          "bare main source name as output: source unchanged")
    # An include patched through a symbolic link of another name.
    os.symlink("inc.asm", os.path.join(d, "alias.bin"))
    main2 = ' INCLUDE "inc.asm"\n OUTPUT_BIN "alias.bin", 0, 1, 0\n'
    write(os.path.join(d, "main.asm"), main2)
    rc, _, err = run(d)
    check(rc == 1 and "it is a source file of this assembly" in err,
          "include patched through a link: refused")
    check(open(os.path.join(d, "inc.asm"), encoding="latin-1").read() == " db 1\n",
          "include patched through a link: unchanged")
    # The virtual CP/M drive is written only by OUTPUT_CPM.
    with open(os.path.join(d, "drive.img"), "wb") as f:
        f.write(b"\xe5" * 4096)
    write(os.path.join(d, "main.asm"),
          'Veld_cpm_drives = "drive.img"\n db 1\n OUTPUT_BIN "drive.img", 0, 1\n')
    rc, _, err = run(d)
    check(rc == 1 and f' Output file "{d}/drive.img" can\'t be written: it is the CP/M drive file'
          in err.splitlines(), "CP/M drive file as output: refused")
    check(open(os.path.join(d, "drive.img"), "rb").read() == b"\xe5" * 4096,
          "CP/M drive file as output: unchanged")
    # A file of the same name elsewhere is an ordinary output.
    os.makedirs(os.path.join(d, "build"))
    write(os.path.join(d, "main.asm"), ' db 7\n OUTPUT_BIN "build/main.asm", 0, 1\n')
    rc, _, _ = run(d)
    check(rc == 0 and open(os.path.join(d, "build", "main.asm"), "rb").read() == b"\x07",
          "same short name in another folder: written")


def failed_writes(tmp):
    d = os.path.join(tmp, "fail")
    os.makedirs(d)
    write(os.path.join(d, "main.asm"), ' db 1\n OUTPUT_BIN "/dev/full", 0, 1\n')
    rc, _, err = run(d)
    check(rc == 1 and ' Output file "/dev/full" can\'t be written: No space left on device'
          in err.splitlines(), "/dev/full: one line, exit code 1")
    write(os.path.join(d, "afile"), "x")
    write(os.path.join(d, "main.asm"), ' db 1\n OUTPUT_BIN "./afile/out.bin", 0, 1\n')
    rc, _, err = run(d)
    check(rc == 1 and [l for l in err.splitlines() if l.startswith(" Output file")] ==
          [f' Output file "{d}/./afile/out.bin" can\'t be written: Not a directory'],
          "folder that is a file: one line, exit code 1")
    # A full file system: a 64 KiB tmpfs holding the previous output.
    fs = os.path.join(tmp, "small")
    os.makedirs(fs)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", fs],
                      capture_output=True).returncode != 0:
        print("note: no tmpfs could be mounted here; the full-disk case is skipped")
        return
    try:
        old = bytes(range(256)) * 64  # 16 KiB
        with open(os.path.join(fs, "out.bin"), "wb") as f:
            f.write(old)
        write(os.path.join(d, "main.asm"),
              f' ds $10000, $55\n OUTPUT_BIN "{fs}/out.bin", 0, $10000\n')
        rc, _, err = run(d)
        check(rc == 1 and "can't be written: No space left on device" in err,
              "full file system: one line, exit code 1")
        check(open(os.path.join(fs, "out.bin"), "rb").read() == old,
              "full file system: previous file intact")
        check(temporaries(fs) == [], "full file system: no temporary file left")
    finally:
        subprocess.run(["umount", fs], capture_output=True)


def parallel_writers(tmp):
    d = os.path.join(tmp, "parallel")
    os.makedirs(d)
    size = 0x20000
    for name, value in (("one.asm", 0x11), ("two.asm", 0x22)):
        write(os.path.join(d, name), f' ORG $10000\n ds {size}, ${value:02X}\n'
              f' OUTPUT_BIN "out.bin", $10000, {size}\n')
    good = {bytes([0x11]) * size, bytes([0x22]) * size}
    for _ in range(30):
        ps = [subprocess.Popen([QAS, n], cwd=d, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL) for n in ("one.asm", "two.asm")]
        codes = [p.wait(timeout=120) for p in ps]
        check(codes == [0, 0], "parallel writers: both succeed")
        check(open(os.path.join(d, "out.bin"), "rb").read() in good,
              "parallel writers: one complete file")
        check(temporaries(d) == [], "parallel writers: no temporary file left")
        if failures:
            return


def interrupted_writes(tmp):
    d = os.path.join(tmp, "interrupt")
    os.makedirs(d)
    count, size = 40, 0x40000
    lines = [" ORG $10000", f" ds {size}, $5A"]
    lines += [f' OUTPUT_BIN "out{i}.bin", $10000, {size}' for i in range(count)]
    write(os.path.join(d, "main.asm"), "\n".join(lines) + "\n")
    full = b"\x5a" * size
    # How long a whole run takes, to aim the signals inside the write-out.
    t0 = time.monotonic()
    run(d)
    whole = time.monotonic() - t0
    rng = random.Random(5)
    for trial in range(20):
        for i in range(count):
            with open(os.path.join(d, f"out{i}.bin"), "wb") as f:
                f.write(b"old")
        p = subprocess.Popen([QAS, "main.asm"], cwd=d, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        time.sleep(rng.uniform(0.2, 1.0) * whole)
        p.send_signal(signal.SIGTERM if trial % 2 else signal.SIGINT)
        p.wait(timeout=120)
        for i in range(count):
            data = open(os.path.join(d, f"out{i}.bin"), "rb").read()
            check(data in (b"old", full), f"interrupted write-out: out{i}.bin whole or old")
        check(temporaries(d) == [], "interrupted write-out: no temporary file left")
        if failures:
            return


def main():
    with tempfile.TemporaryDirectory(prefix="veldsafety") as tmp:
        sources_are_protected(tmp)
        failed_writes(tmp)
        parallel_writers(tmp)
        interrupted_writes(tmp)
    if failures:
        return 1
    print("all file-safety checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
