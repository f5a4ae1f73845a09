#!/usr/bin/env bash
# Times a LOOP of 10000 rounds whose body is three instructions, against the
# same 30000 instructions written out flat: the difference is what repeating
# a body by going back to a saved position costs. Uses hyperfine when it is
# installed, otherwise reports the CPU and wall times of 20 runs.
set -euo pipefail
qas=$(realpath "${1:-build/qas}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf ' ORG $8000\n LOOP 10000\n ld a,1\n inc hl\n nop\n LEND\n' > loop.asm
{
  printf ' ORG $8000\n'
  for ((i = 0; i < 10000; i++)); do printf ' ld a,1\n inc hl\n nop\n'; done
} > flat.asm
"$qas" loop.asm > /dev/null 2>&1 || { echo "loop.asm does not assemble"; exit 1; }
if command -v hyperfine > /dev/null; then
  hyperfine -N --warmup 3 "$qas loop.asm" "$qas flat.asm"
else
  python3 - "$qas" <<'PY'
import resource, statistics, subprocess, sys, time
qas = sys.argv[1]
# CPU time (user + system) is reported beside the wall time: on a shared,
# loaded machine the wall time mostly measures waiting for a core.
def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime
for src in ("loop.asm", "flat.asm"):
    wall, used = [], []
    for _ in range(20):
        t, c = time.perf_counter(), cpu()
        subprocess.run([qas, src], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        wall.append((time.perf_counter() - t) * 1000)
        used.append((cpu() - c) * 1000)
    print(f"{src}: CPU best {min(used):.1f} ms, median {statistics.median(used):.1f} ms; "
          f"wall best {min(wall):.1f} ms, median {statistics.median(wall):.1f} ms")
PY
fi
