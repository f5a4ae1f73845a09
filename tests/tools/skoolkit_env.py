"""Locates SkoolKit (an independent ZX Spectrum toolkit kept beside the
project) and prepares a fast copy of it for the tests.

SkoolKit loads tapes in an emulated Spectrum with the real ROM and runs
snapshots, so our tapes, loaders and snapshots are judged by a tool we did not
write. The copy lives in the build folder (the shared folder is read-only) and
gets SkoolKit's C simulator built once; concurrent tests wait for each other
through a lock file.

Tests call skoolkit_or_skip(): it returns the copy's folder, or exits with 77
(the skip code registered with CTest) and a clear message when SkoolKit is not
there.
"""
import fcntl
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = os.path.normpath(os.path.join(HERE, "..", "..", "..", "shared", "tools", "skoolkit"))


def skip(message):
    print("SKIP: " + message)
    sys.exit(77)


def skoolkit_or_skip(work_root=None):
    """Returns the folder of a prepared SkoolKit copy (scripts at its top)."""
    src = os.environ.get("VELD_SKOOLKIT", SHARED)
    if not os.path.isfile(os.path.join(src, "tap2sna.py")):
        skip("SkoolKit not found at " + src + " (the shared tools folder is absent)")
    root = work_root or os.environ.get("VELD_TOOLS_DIR") or os.path.join(
        os.path.expanduser("~"), ".cache", "veld-tools")
    os.makedirs(root, exist_ok=True)
    dst = os.path.join(root, "skoolkit")
    with open(os.path.join(root, "skoolkit.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp = os.path.join(dst, ".veld-ready")
        if not os.path.isfile(stamp):
            shutil.rmtree(dst, ignore_errors=True)
            shutil.copytree(src, dst)
            # The C simulator makes a tape load in well under a second; the
            # pure Python one works too, only slower.
            subprocess.run([sys.executable, "setup.py", "build_ext", "--inplace"], cwd=dst,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            open(stamp, "w").close()
    return dst


def run_tool(sk, script, *args, timeout=300):
    """Runs one SkoolKit script; returns (exit code, stdout + stderr)."""
    p = subprocess.run([sys.executable, os.path.join(sk, script), *map(str, args)],
                       capture_output=True, text=True, timeout=timeout)
    return p.returncode, p.stdout + p.stderr


def snapshot_memory(sk, path):
    """Reads a snapshot (SNA, Z80, SZX) with SkoolKit; returns the object with
    .memory (64K as seen by the CPU), .pc, .sp and so on."""
    if sk not in sys.path:
        sys.path.insert(0, sk)
    from skoolkit.snapshot import Snapshot  # pylint: disable=import-outside-toplevel
    return Snapshot.get(path)
