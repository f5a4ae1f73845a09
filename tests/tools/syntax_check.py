#!/usr/bin/env python3
"""The editor syntax files: generated from the keyword table, committed, and
colouring what the lexer reads.

    syntax_check.py QAS_SYNTAX EDITORS_DIR

1. qas-syntax regenerates the files into a scratch folder; they must equal
   the committed ones (run `make editors` after changing the keyword table).
2. Every spelling of the keyword table (read from src/lexer/tokens.cpp, in
   upper and lower case) is matched whole by one keyword rule of the
   TextMate grammar and named in the vim file; mixed case is not a keyword.
3. A small TextMate scanner runs the grammar over lines written after the
   lexer's rules (every number syntax, strings with doubled quotes, nested
   block comments, AF') and checks the scope of each piece.
4. When vim is installed, it loads the vim syntax file (headless) and names
   the syntax group at the same pieces.
"""
import filecmp
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GENERATED = ["vim/syntax/qas.vim", "vim/ftdetect/qas.vim", "textmate/qas.tmLanguage.json"]
KEYWORD_RULES = ["registers", "conditions", "instructions", "directives", "functions",
                 "keywords"]


def keyword_spellings():
    src = open(os.path.join(ROOT, "src", "lexer", "tokens.cpp"), encoding="utf-8").read()
    names = re.findall(r'^\s*\{"([A-Z0-9_]+)", t\w+, [123]\},', src, re.M)
    return [n for name in names for n in (name, name.lower())]


def check_regenerated(tool, editors):
    problems = []
    with tempfile.TemporaryDirectory(prefix="veldsyntax") as tmp:
        p = subprocess.run([tool, tmp], capture_output=True, timeout=60)
        if p.returncode != 0:
            return [f"qas-syntax failed: {p.stderr.decode(errors='replace')}"]
        for rel in GENERATED:
            committed = os.path.join(editors, rel)
            if not os.path.isfile(committed):
                problems.append(f"{rel}: not committed")
            elif not filecmp.cmp(os.path.join(tmp, rel), committed, shallow=False):
                problems.append(f"{rel}: differs from the generated file (run `make editors`)")
    return problems


class Scanner:
    """Just enough of a TextMate engine: match and begin/end rules, includes
    of repository entries, the earliest match winning and ties going to the
    first rule. Yields (text, scope) pieces of one line."""

    def __init__(self, grammar):
        self.g = grammar

    def rules(self, patterns):
        for r in patterns:
            if "include" in r:
                entry = self.g["repository"][r["include"][1:]]
                if "patterns" in entry and "match" not in entry and "begin" not in entry:
                    yield from self.rules(entry["patterns"])
                else:
                    yield entry
            else:
                yield r

    def first(self, patterns, line, pos):
        best = None
        for r in self.rules(patterns):
            m = re.compile(r.get("match") or r["begin"]).search(line, pos)
            if m and (best is None or m.start() < best[1].start()):
                best = (r, m)
        return best

    def scan(self, line, patterns=None, pos=0, end_re=None, scope=None):
        pieces = []
        patterns = self.g["patterns"] if patterns is None else patterns
        while pos < len(line):
            hit = self.first(patterns, line, pos)
            end = re.compile(end_re).search(line, pos) if end_re else None
            if end and (hit is None or end.start() <= hit[1].start()):
                pieces.append((line[pos:end.end()], scope))
                return pieces, end.end()
            if hit is None:
                break
            r, m = hit
            if m.start() > pos:
                pieces.append((line[pos:m.start()], scope))
            if "match" in r:
                pieces.append((m.group(0), r.get("name", scope)))
                pos = m.end()
                if m.end() == m.start():
                    pos += 1
            else:
                inner, pos = self.scan(line, r.get("patterns", []), m.end(), r["end"],
                                       r.get("name"))
                text = m.group(0) + "".join(t for t, _ in inner)
                pieces.append((text, r.get("name")))
        if pos < len(line):
            pieces.append((line[pos:], scope))
        return pieces, len(line)

    def tokens(self, line):
        return [(t, s) for t, s in self.scan(line)[0] if s is not None or t.strip()]


# Lines written after the lexer's rules, with the scope (TextMate family) and
# vim group each piece must get. Numbers: every syntax the lexer reads.
SAMPLES = [
    ('start:  ld a,$FF ; load', [("start", "label", "qasLabel"), ("ld", "mnemonic", "qasInstruction"),
                                  ("a", "register", "qasRegister"), ("$FF", "numeric", "qasNumber"),
                                  ("; load", "comment", "qasComment")]),
    ("        jr nz,@loop", [("jr", "mnemonic", "qasInstruction"),
                             ("nz", "condition", "qasCondition"), ("@loop", None, "")]),
    ("        DB #1F, 0x1F, 0FFh, 377q, 377o, 11111111b, %1010xxxx, %1111_1111",
     [("DB", "directive", "qasDirective")] +
     [(n, "numeric", "qasNumber") for n in ("#1F", "0x1F", "0FFh", "377q", "377o",
                                            "11111111b", "%1010xxxx", "%1111_1111")]),
    ("        DW %1010101010101010w, 017, 1_000, 0rXIV, 255, $12_34",
     [("DW", "directive", "qasDirective")] +
     [(n, "numeric", "qasNumber") for n in ("%1010101010101010w", "017", "1_000", "0rXIV",
                                            "255", "$12_34")]),
    ("        DF 0.5, 1.5", [("DF", "directive", "qasDirective"), ("0.5", "numeric", "qasNumber"),
                             ("1.5", "numeric", "qasNumber")]),
    ('        DB "a""b", \'A\', @"raw\\", 1 // end',
     [("DB", "directive", "qasDirective"), ('"a""b"', "string", "qasString"),
      ("'A'", "string", "qasCharacter"), ('@"raw\\"', "string", "qasString"),
      ("1", "numeric", "qasNumber"), ("// end", "comment", "qasComment")]),
    ("        ex af,af' /* one /* two */ still */ nop",
     [("ex", "mnemonic", "qasInstruction"), ("af", "register", "qasRegister"),
      ("af'", "register", "qasRegister"), ("/* one /* two */ still */", "comment", "qasBlockComment"),
      ("nop", "mnemonic", "qasInstruction")]),
    ("screen  EQU $4000", [("screen", "label", "qasLabel"), ("EQU", "directive", "qasDirective"),
                           ("$4000", "numeric", "qasNumber")]),
    ("ORG $8000", [("ORG", "directive", "qasDirective"), ("$8000", "numeric", "qasNumber")]),
    ("#define speed 3", [("#define", "directive", "qasDirective"), ("3", "numeric", "qasNumber")]),
    ("        IF HIGH(x) MOD 2", [("IF", "directive", "qasDirective"),
                                  ("HIGH", "function", "qasFunction"),
                                  ("MOD", "keyword.other", "qasKeyword"),
                                  ("2", "numeric", "qasNumber")]),
    # Mixed case is no keyword; identifiers hold "$" and "%".
    ("        Ld ld$x, x%1", [("Ld", None, ""), ("ld$x", None, ""), ("x%1", None, "")]),
]


def check_grammar(editors):
    problems = []
    grammar = json.load(open(os.path.join(editors, "textmate", "qas.tmLanguage.json")))
    repo = grammar["repository"]
    compiled = {k: re.compile(repo[k]["match"]) for k in KEYWORD_RULES}
    spellings = keyword_spellings()
    if len(spellings) != 2 * 351:
        problems.append(f"read {len(spellings)} keyword spellings from tokens.cpp, not 702")
    vim = open(os.path.join(editors, "vim", "syntax", "qas.vim")).read()
    vim_words = set()
    for line in vim.splitlines():
        if line.startswith("syntax keyword "):
            vim_words.update(line.split()[3:])
    for word in spellings:
        text = f" {word} "
        if not any((m := c.search(text)) and m.group(0) == word for c in compiled.values()):
            problems.append(f"keyword {word} is not matched by the grammar")
        if word not in vim_words and word.upper() != "AF":
            problems.append(f"keyword {word} is not in the vim syntax file")
        mixed = word[0] + word[1:].lower() if word.isupper() and len(word) > 1 else None
        if mixed and mixed != word.lower() and any(c.search(f" {mixed} ") for c in compiled.values()):
            problems.append(f"mixed-case {mixed} is matched as a keyword")
    scanner = Scanner(grammar)
    for line, want in SAMPLES:
        got = [(t, s) for t, s in scanner.tokens(line) if s]
        coloured = [(text, family) for text, family, _ in want if family]
        if len(got) != len(coloured) or not all(
                t == text and family in s for (t, s), (text, family) in zip(got, coloured)):
            problems.append(f"grammar: {line!r} gives {got}, expected {coloured}")
    return problems


def check_vim(editors):
    if shutil.which("vim") is None:
        return []
    problems = []
    with tempfile.TemporaryDirectory(prefix="veldvim") as tmp:
        src = os.path.join(tmp, "sample.asm")
        out = os.path.join(tmp, "groups.txt")
        with open(src, "w") as f:
            f.write("\n".join(line for line, _ in SAMPLES) + "\n")
        # For every sample piece: the syntax group at its first and last character.
        probes = []
        for row, (line, want) in enumerate(SAMPLES, 1):
            start = 0
            for text, _, group in want:
                col = line.index(text, start) + 1
                start = col - 1 + len(text)
                probes.append((row, col, col + len(text) - 1, text, group))
        script = os.path.join(tmp, "probe.vim")
        with open(script, "w") as f:
            f.write("let out = []\n")
            for row, c1, c2, _, _ in probes:
                f.write(f"call add(out, synIDattr(synID({row}, {c1}, 0), 'name') . ' ' . "
                        f"synIDattr(synID({row}, {c2}, 0), 'name'))\n")
            f.write("call add(out, v:errmsg)\n")
            f.write(f"call writefile(out, '{out}')\n")
        rtp = os.path.join(editors, "vim")
        p = subprocess.run(["vim", "-es", "-N", "-u", "NONE", "-i", "NONE",
                            "-c", f"set rtp^={rtp}", "-c", "syntax on",
                            "-c", "set filetype=qas", "-c", f"source {script}", "-c", "qa!", src],
                           capture_output=True, timeout=60)
        if not os.path.exists(out):
            return [f"vim did not run the probe: {p.stdout!r} {p.stderr!r}"]
        lines = open(out).read().splitlines()
        if lines and lines[-1]:
            problems.append(f"vim reported: {lines[-1]}")
        for (row, _, _, text, group), got in zip(probes, lines):
            if got != f"{group} {group}":
                problems.append(f"vim: {text!r} on line {row} is {got!r}, expected {group}")
    return problems


def main():
    tool, editors = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    problems = check_regenerated(tool, editors)
    problems += check_grammar(editors)
    problems += check_vim(editors)
    if problems:
        print("\n".join(problems))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
