#!/usr/bin/env python3
"""The editor integration the README documents, run over real qas output.

The README shows the VS Code problem matcher (editors/vscode/problem-matcher.json,
included verbatim; the extension's package.json contributes the same one) and
the vim errorformat (the one editors/vim/compiler/qas.vim sets). A program of
three files - one with a blank in its name, one longer than 99,999 lines - is
assembled; its errors and warnings follow from the rules of the console
format, and the matcher's regular expression (and vim's errorformat, when vim
is installed: `:compiler qas` and `:make`) must find exactly those, with
file, line, severity and message.

    check_editors.py QAS
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EDITORS = os.path.join(ROOT, "editors")
README = os.path.join(ROOT, "README.md")
MATCHER = os.path.join(EDITORS, "vscode", "problem-matcher.json")
COMPILER = os.path.join(EDITORS, "vim", "compiler", "qas.vim")

LIB = "my lib.asm"
FAR = "far lines.asm"
FAR_LINE = 100000  # printed in full: no blank between ":" and the number

# The program: warnings only print in the final pass of a source whose
# earlier passes were clean, so VELDOVERRIDE as the last statement clears the
# counts of every pass; the errors of the final pass still print.
SOURCES = {
    "main.asm": [
        "; errors and warnings in three files",
        "        ORG $8000",
        f'        INCLUDE "{LIB}"',
        f'        INCLUDE "{FAR}"',
        "        DB 017",
        "x       EQU 1",
        "x       EQU 2",
        "        VELDOVERRIDE 0, 0, 0",
    ],
    LIB: [
        "; a library",
        "        nop",
        "        DB %101b",
        '        VELDASSERT 0, "library check failed"',
    ],
    FAR: ["; filler"] * (FAR_LINE - 1) + ["        ld a,1/0"],
}

# What the rules make of it: (file, line, severity, message). The leading-zero
# warning's second line carries line 0 and is left out by both matchers. Data
# right after an instruction that runs on into it (the nop; the ld at the end
# of the far file) gets the flow warning, whose text starts with " - ".
FLOW = " - this creates data or space that could be executed. (Use noflow or velddatafollows?)"
EXPECTED = {
    (LIB, 3, "warning", FLOW),
    ("main.asm", 5, "warning", FLOW),
    (LIB, 3, "warning", 'The binary byte value "%101b" doesn\'t contain 8 bits'),
    (LIB, 4, "error", "library check failed"),
    (FAR, FAR_LINE, "error", "Divide By Zero"),
    ("main.asm", 5, "warning", 'The leading-zero in "017" means it\'s an octal number...'),
    ("main.asm", 7, "error", "Label Redefined"),
}

# A second program: a label that is never defined, with the counts set so
# that the run ends with nErrors 0 and nUndef 1. The final pass reports the
# reference ("Label Not Found", then ' : "name"'), and the listing of
# undefined symbols follows; it carries no severity word (the matcher's
# default: error).
UNDEF_SOURCES = {
    "main.asm": [f'        INCLUDE "{LIB}"', "        VELDOVERRIDE 0, 1, 0"],
    LIB: ["        nop", "        ld hl,missing"],
}
UNDEF_EXPECTED = {(LIB, 2, "error", 'Label Not Found : "missing"'),
                  (LIB, 2, None, "Label missing is undefined")}


def readme_block_after(marker, fence):
    text = open(README, encoding="utf-8").read()
    at = text.find(marker)
    if at < 0:
        return None
    m = re.compile(r"```" + fence + r"\n(.*?)```", re.S).search(text, at)
    return m.group(1) if m else None


def documented_matcher(problems):
    file_text = open(MATCHER, encoding="utf-8").read()
    shown = readme_block_after("<!-- editors/vscode/problem-matcher.json -->", "json")
    if shown != file_text:
        problems.append("README: the problem matcher block is not editors/vscode/problem-matcher.json")
    matcher = json.loads(file_text)
    package = json.load(open(os.path.join(EDITORS, "vscode", "package.json")))
    contributed = dict(package["contributes"]["problemMatchers"][0])
    contributed.pop("name", None)
    if contributed != matcher:
        problems.append("package.json contributes another problem matcher than problem-matcher.json")
    return matcher


def documented_errorformat(problems):
    compiler = open(COMPILER, encoding="utf-8").read()
    m = re.search(r"^let s:efm = '(.*)'$", compiler, re.M)
    shown = readme_block_after("<!-- editors/vim/compiler/qas.vim -->", "vim")
    m2 = re.search(r"^let &errorformat = '(.*)'$", shown or "", re.M)
    if not m or not m2 or m.group(1) != m2.group(1):
        problems.append("README: the vim errorformat is not the one of editors/vim/compiler/qas.vim")
    return m.group(1) if m else None


def assemble(qas, sources, tmp):
    for name, lines in sources.items():
        with open(os.path.join(tmp, name), "w", encoding="latin-1") as f:
            f.write("\n".join(lines) + "\n")
    # An editor reads both streams of the terminal.
    p = subprocess.run([qas, "main.asm"], cwd=tmp, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, timeout=120)
    out = p.stdout.decode("latin-1")
    return out


def apply_matcher(matcher, output):
    pat = matcher["pattern"]
    rx = re.compile(pat["regexp"])
    found = set()
    for line in output.splitlines():
        m = rx.match(line)
        if m:
            sev = m.group(pat["severity"]) or None
            found.add((m.group(pat["file"]), int(m.group(pat["line"])), sev,
                       m.group(pat["message"])))
    return found


def apply_vim(qas, tmp):
    """Runs `:compiler qas` and `:make` on main.asm in vim (headless), so that
    the compiler file's makeprg assembles it and its errorformat reads the
    console into the quickfix list."""
    out = os.path.join(tmp, "qf.json")
    script = os.path.join(tmp, "qf.vim")
    with open(script, "w") as f:
        f.write("compiler qas\n"
                "silent make\n"
                "let r = []\n"
                "for e in getqflist()\n"
                "  call add(r, [bufname(e.bufnr), e.lnum, e.type, e.text, e.valid])\n"
                "endfor\n"
                f"call writefile([json_encode(r)], '{out}')\n")
    env = dict(os.environ, PATH=os.path.dirname(qas) + os.pathsep + os.environ.get("PATH", ""))
    subprocess.run(["vim", "-es", "-N", "-u", "NONE", "-i", "NONE", "-c",
                    f"set rtp^={os.path.join(EDITORS, 'vim')}", "-c", f"source {script}",
                    "-c", "qa!", "main.asm"], cwd=tmp, env=env, capture_output=True, timeout=120)
    if not os.path.exists(out):
        return None
    types = {"e": "error", "w": "warning", "": None}
    return {(name, lnum, types.get(t, t), text)
            for name, lnum, t, text, valid in json.load(open(out)) if valid}


def main():
    qas = os.path.abspath(sys.argv[1])
    problems = []
    matcher = documented_matcher(problems)
    efm = documented_errorformat(problems)
    for sources, expected in ((SOURCES, EXPECTED), (UNDEF_SOURCES, UNDEF_EXPECTED)):
        with tempfile.TemporaryDirectory(prefix="veldeditors") as tmp:
            output = assemble(qas, sources, tmp)
            got = apply_matcher(matcher, output)
            if got != expected:
                problems.append(f"problem matcher: missing {sorted(expected - got, key=str)}, "
                                f"unexpected {sorted(got - expected, key=str)}")
            if efm and shutil.which("vim") and os.path.basename(qas) == "qas":
                via_vim = apply_vim(qas, tmp)
                if via_vim != expected:
                    problems.append(f"vim errorformat: got {via_vim}, expected {expected}")
            if problems:
                problems.append("--- console was:\n" + "\n".join(
                    line for line in output.splitlines() if not line.startswith("Assembling")))
    if problems:
        print("\n".join(problems))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
