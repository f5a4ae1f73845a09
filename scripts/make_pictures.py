#!/usr/bin/env python3
"""Draws the pictures of the README's Examples section from the examples as
they are: each Spectrum example is assembled, its tape loaded (or its
snapshot run) by SkoolKit with the real ROM, and its screen drawn by
SkoolKit's sna2img.py into docs/images/example_*.png.

Usage: make_pictures.py QAS      (`make pictures` builds qas and runs this)
SkoolKit is taken from $VELD_SKOOLKIT or ../shared/tools/skoolkit.
"""
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "tools"))
import skoolkit_env  # noqa: E402

IMAGES = os.path.join(ROOT, "docs", "images")


class Pictures:
    def __init__(self, qas, sk, work):
        self.qas, self.sk, self.work = qas, sk, work

    def assemble(self, name, source):
        """Assembles a copy of examples/NAME; returns its folder and labels."""
        folder = os.path.join(self.work, name)
        shutil.copytree(os.path.join(ROOT, "examples", name), folder)
        with open(os.path.join(folder, "labels.asm"), "w") as f:
            f.write(f' INCLUDE "{source}"\n EXPORT_SYM "labels.sym", $10083\n')
        p = subprocess.run([self.qas, "labels.asm"], cwd=folder, capture_output=True, text=True)
        if p.returncode != 0:
            sys.exit(f"{name}/{source} does not assemble:\n{p.stdout}{p.stderr}")
        with open(os.path.join(folder, "labels.sym")) as f:
            labels = {name: int(value) for value, name in (line.split() for line in f)}
        return folder, labels

    def tool(self, script, *args):
        code, text = skoolkit_env.run_tool(self.sk, script, *args)
        if code != 0:
            sys.exit(f"{script} {' '.join(map(str, args))} failed:\n{text[-500:]}")
        return text

    def load(self, tape, machine, stop, picture):
        """Loads a tape until PC reaches `stop` and draws the screen."""
        snap = tape + f"-{stop}.z80"
        text = self.tool("tap2sna.py", "-c", f"machine={machine}", "-c", "cmio=1", "--start",
                         stop, tape, snap)
        if "Simulation stopped (PC at start address)" not in text:
            sys.exit(f"{tape} did not reach {stop}:\n{text[-500:]}")
        self.draw(snap, picture)

    def run(self, snapshot, stop, picture):
        """Runs a snapshot until PC reaches `stop` and draws the screen."""
        out = snapshot + f"-{stop}.z80"
        self.tool("trace.py", "-S", stop, "-M", 50_000_000, snapshot, out)
        self.draw(out, picture)

    def draw(self, snapshot, picture):
        path = os.path.join(IMAGES, picture)
        self.tool("sna2img.py", snapshot, path)
        print("wrote " + os.path.relpath(path, ROOT))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    qas = os.path.abspath(sys.argv[1])
    os.environ.setdefault("VELD_TOOLS_DIR", os.path.join(os.path.dirname(qas), "tools"))
    sk = skoolkit_env.skoolkit_or_skip()
    os.makedirs(IMAGES, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="veldpictures") as work:
        p = Pictures(qas, sk, work)
        folder, labels = p.assemble("zx48", "zx48.asm")
        tape = os.path.join(folder, "zx48.tzx")
        p.load(tape, 48, labels["start"], "example_zx48_loading.png")
        p.load(tape, 48, labels["main"], "example_zx48.png")
        folder, labels = p.assemble("zx128", "zx128.asm")
        p.load(os.path.join(folder, "zx128.tap"), 128, labels["main"], "example_zx128.png")
        folder, labels = p.assemble("packed", "packed.asm")
        p.run(os.path.join(folder, "packed.sna"), labels["main"], "example_packed.png")


if __name__ == "__main__":
    main()
