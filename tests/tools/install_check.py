#!/usr/bin/env python3
"""What a user meets before assembling anything: the installed tree, the
manual page and the two informational parameters.

    install_check.py CHECK QAS CMAKE BUILD_DIR VERSION

CHECK is one of:
  install       `cmake --install` into a scratch DESTDIR with a prefix: the
                program (which runs), the manual page and the editor files
                land under the prefix, identical to the sources.
  man_page      groff renders man/qas.1 without a single warning, with the
                sections a manual page needs, and names the version.
  command_line  --version and --help print and exit 0; every other parameter
                keeps the described behaviour (a file name, extra parameters
                ignored, no parameter gives the usage lines and 1).
Exit code 77 means a tool the check needs is absent.
"""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAN = os.path.join(ROOT, "man", "qas.1")
EDITORS = os.path.join(ROOT, "editors")


def run(args, **kw):
    return subprocess.run(args, capture_output=True, timeout=120, **kw)


def editor_files():
    out = []
    for folder, _, files in os.walk(EDITORS):
        out += [os.path.relpath(os.path.join(folder, f), EDITORS) for f in files]
    return sorted(out)


def check_install(qas, cmake, build, version):
    problems = []
    with tempfile.TemporaryDirectory(prefix="veldinstall") as dest:
        env = dict(os.environ, DESTDIR=dest)
        p = run([cmake, "--install", build, "--prefix", "/opt/veld"], env=env)
        if p.returncode != 0:
            return [f"cmake --install failed: {p.stderr.decode(errors='replace')}"]
        root = os.path.join(dest, "opt", "veld")
        binary = os.path.join(root, "bin", "qas")
        if not os.access(binary, os.X_OK):
            problems.append("bin/qas missing or not executable")
        else:
            v = run([binary, "--version"])
            if v.returncode != 0 or version not in v.stdout.decode():
                problems.append(f"installed qas --version: {v.stdout!r} (exit {v.returncode})")
        man = os.path.join(root, "share", "man", "man1", "qas.1")
        if not os.path.isfile(man) or not filecmp.cmp(man, MAN, shallow=False):
            problems.append("share/man/man1/qas.1 missing or not the source's manual page")
        want = editor_files()
        if not want:
            problems.append("no editor files in the source tree")
        for rel in want:
            got = os.path.join(root, "share", "veld", "editors", rel)
            if not os.path.isfile(got) or not filecmp.cmp(got, os.path.join(EDITORS, rel),
                                                         shallow=False):
                problems.append(f"share/veld/editors/{rel} missing or different")
        # Nothing lands outside the prefix (DESTDIR honoured for every file).
        outside = [d for d in os.listdir(dest) if d != "opt"]
        if outside:
            problems.append(f"files outside the prefix: {outside}")
    return problems


def check_man_page(qas, cmake, build, version):
    if shutil.which("groff") is None:
        print("groff is not installed")
        sys.exit(77)
    p = run(["groff", "-ww", "-man", "-Tutf8", MAN], env=dict(os.environ, LC_ALL="C.UTF-8"))
    problems = []
    if p.returncode != 0 or p.stderr:
        problems.append(f"groff: exit {p.returncode}, stderr: {p.stderr.decode(errors='replace')}")
    text = re.sub(r".\x08", "", p.stdout.decode("utf-8", errors="replace"))
    for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "CONSOLE FORMAT", "EXIT STATUS",
                    "DIRECTIVES", "OUTPUT FORMATS", "ENVIRONMENT", "FILES", "EXAMPLES"):
        if not re.search(rf"^{section}$", text, re.M):
            problems.append(f"section {section} missing")
    # The page names the version the build makes, so the two move together.
    head = open(MAN, encoding="utf-8").readline()
    if f'"Veld {version}"' not in head:
        problems.append(f"the .TH line does not name version {version}: {head.strip()}")
    # The variable the program reads is documented.
    if "SOURCE_DATE_EPOCH" not in text:
        problems.append("SOURCE_DATE_EPOCH not documented")
    return problems


def check_command_line(qas, cmake, build, version):
    problems = []

    def expect(args, code, out_test, err_test, what):
        with tempfile.TemporaryDirectory(prefix="veldcli") as tmp:
            p = run([qas] + args, cwd=tmp)
            written = os.listdir(tmp)
        out = p.stdout.decode("latin-1").splitlines()
        err = p.stderr.decode("latin-1").splitlines()
        if p.returncode != code:
            problems.append(f"{what}: exit {p.returncode}, expected {code}")
        if not out_test(out):
            problems.append(f"{what}: unexpected stdout {out}")
        if not err_test(err):
            problems.append(f"{what}: unexpected stderr {err}")
        if written:
            problems.append(f"{what}: wrote {written}")

    expect(["--version"], 0, lambda o: o == [f"qas (Veld) {version}"], lambda e: e == [],
           "--version")
    # Extra parameters are ignored, as they are for a source file.
    expect(["--version", "more", "words"], 0, lambda o: o == [f"qas (Veld) {version}"],
           lambda e: e == [], "--version with more parameters")

    def help_ok(o):
        return (len(o) >= 4 and o[0].startswith("Usage: qas ")
                and any("man qas" in line for line in o)
                and any("--version" in line for line in o)
                and all(len(line) <= 100 for line in o))

    expect(["--help"], 0, help_ok, lambda e: e == [], "--help")
    # Only the two spellings are ours: the rest are file names as described.
    for other in ("-h", "-v", "--HELP", "--versions", "-", "--"):
        expect([other], 1, lambda o: o == [],
               lambda e, n=other: e == [f' Source file "{n}" not found'], other)
    expect([], 1,
           lambda o: len(o) == 3 and o[1].startswith("Usage: Veld expects only one parameter"),
           lambda e: e == ["No file specified"], "no parameter")
    return problems


CHECKS = {"install": check_install, "man_page": check_man_page,
          "command_line": check_command_line}


def main():
    check, qas, cmake, build, version = sys.argv[1:6]
    problems = CHECKS[check](os.path.abspath(qas), cmake, build, version)
    if problems:
        print("\n".join(problems))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
