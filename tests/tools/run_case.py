#!/usr/bin/env python3
"""Runs one end-to-end case: assembles in a scratch copy of the case folder
and compares the console, the exit code and the output files with expect.txt.

expect.txt layout (sections start with '--- '):
    args: main.asm            command-line parameters (default: main.asm)
    exit: 0                   expected exit code
    --- stdout                expected standard output lines, in full
    --- stderr                expected standard error lines, in full
    --- file NAME hex         expected bytes of an output file
    --- file NAME text        expected lines of a CR LF text file
    --- nofile NAME           the file must not exist
Lines starting with '#' before the first section are comments.
"""
import os
import shlex
import shutil
import subprocess
import sys
import tempfile


def parse(path):
    head, sections, cur = {}, [], None
    with open(path, encoding="latin-1") as f:
        for raw in f.read().split("\n"):
            line = raw.rstrip("\r")
            if line.startswith("--- "):
                cur = [line[4:].split(), []]
                sections.append(cur)
            elif cur is None:
                if line.strip() and not line.startswith("#"):
                    k, _, v = line.partition(":")
                    head[k.strip()] = v.strip()
            else:
                cur[1].append(line)
    for s in sections:  # drop trailing blank lines of each section
        while s[1] and s[1][-1] == "":
            s[1].pop()
    return head, sections


def first_diff(kind, want, got):
    for i in range(max(len(want), len(got))):
        w = want[i] if i < len(want) else "<missing>"
        g = got[i] if i < len(got) else "<missing>"
        if w != g:
            return f"{kind}: line {i + 1}: expected {w!r}, got {g!r}"
    return None


def main():
    qas, case = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    head, sections = parse(os.path.join(case, "expect.txt"))
    with tempfile.TemporaryDirectory(prefix="veldcase") as tmp:
        work = os.path.join(tmp, "case")
        shutil.copytree(case, work)
        args = shlex.split(head.get("args", "main.asm"))
        p = subprocess.run([qas] + args, cwd=work, capture_output=True, timeout=120)
        out = p.stdout.decode("latin-1").splitlines()
        err = p.stderr.decode("latin-1").splitlines()
        problems = []
        want_exit = int(head.get("exit", "0"))
        if p.returncode != want_exit:
            problems.append(f"exit code: expected {want_exit}, got {p.returncode}")
        for (words, body) in sections:
            kind = words[0]
            if kind in ("stdout", "stderr"):
                d = first_diff(kind, body, out if kind == "stdout" else err)
                if d:
                    problems.append(d)
            elif kind == "file":
                name, fmt = words[1], words[2]
                fp = os.path.join(work, name)
                if not os.path.exists(fp):
                    problems.append(f"file {name}: not written")
                    continue
                data = open(fp, "rb").read()
                if fmt == "hex":
                    want = bytes.fromhex(" ".join(body))
                    if data != want:
                        n = next((i for i in range(min(len(data), len(want)))
                                  if data[i] != want[i]), min(len(data), len(want)))
                        problems.append(f"file {name}: first difference at byte {n} "
                                        f"(expected {len(want)} bytes, got {len(data)})")
                else:
                    want = "".join(l + "\r\n" for l in body).encode("latin-1")
                    if data != want:
                        got_lines = data.decode("latin-1").split("\r\n")
                        d = first_diff(f"file {name}", body, got_lines[:-1] if
                                       data.endswith(b"\r\n") else got_lines)
                        problems.append(d or f"file {name}: line ends differ")
            elif kind == "nofile":
                if os.path.exists(os.path.join(work, words[1])):
                    problems.append(f"file {words[1]}: should not exist")
        if problems:
            print("\n".join(problems))
            print("--- stdout was:\n" + "\n".join(out))
            print("--- stderr was:\n" + "\n".join(err))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
