#!/usr/bin/env bash
# Times qas against the peer assemblers in one hyperfine run per source:
# a 2-line source (200 runs), the 30000-line corpus (z80asm reads it in the
# "NAME: equ" form it needs), the 300000-line corpus and the macro- and
# loop-heavy source of this folder. Prints a markdown table with the peak
# memory of each qas run and the CPU cost per executed statement, then the
# corpus ratios and the 2-line one once more with the commands taken in turn,
# and writes it into the README between the bench-table markers.
#
# usage: bench/compare.sh [QAS] [STATEMENT_COST]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
qas=$(realpath "${1:-build-bench/qas}")
cost=$(realpath "${2:-$(dirname "$qas")/statement_cost}")
readme="$here/../README.md"
gen="$here/gen_corpus.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '        org 0\n        ld a,1\n' > small.asm
python3 "$gen" 30000 > corpus.asm
python3 "$gen" 30000 30000 --equ-colon > corpus_colon.asm
python3 "$gen" 300000 > corpus300k.asm
cp "$here/macro_loops.asm" .

# For each command of one hyperfine run: the median wall time and the mean
# CPU time (user + system) in ms. On a busy machine the wall time mostly
# measures waiting for a core; the CPU time is the steadier figure.
times() {
  local runs=$1
  shift
  hyperfine -N --warmup 3 --runs "$runs" --export-json run.json "$@" > /dev/null
  python3 -c '
import json
for r in json.load(open("run.json"))["results"]:
    print("%.1f ms (CPU %.1f ms)" % (r["median"] * 1000, (r["user"] + r["system"]) * 1000))'
}
peak() { /usr/bin/time -f "%M" "$qas" "$1" 2>&1 >/dev/null | tail -1; }
mb() { python3 -c "print('%.1f MB' % ($1 / 1024))"; }

mapfile -t small < <(times 200 "$qas small.asm" "z80asm -o s_z.bin small.asm" \
  "pasmo small.asm s_p.bin")
mapfile -t c30 < <(times 20 "$qas corpus.asm" "z80asm -o c_z.bin corpus_colon.asm" \
  "pasmo corpus.asm c_p.bin")
mapfile -t c300 < <(times 5 "$qas corpus300k.asm")
mapfile -t ml < <(times 5 "$qas macro_loops.asm")

# On a shared host the speed changes from second to second, and hyperfine
# times one command's runs after the other's: the ratios are checked again
# with the commands taken in turn, round after round (median wall times).
interleaved() {
  python3 - "$qas" <<'PY'
import statistics, subprocess, sys, time
qas = sys.argv[1]

def in_turn(cmds, rounds):
    """Median wall time (ms) of each command, the commands run in turn."""
    times = {k: [] for k in cmds}
    for rnd in range(rounds):
        for k in (list(cmds) if rnd % 2 == 0 else list(cmds)[::-1]):
            t = time.perf_counter()
            subprocess.run(cmds[k], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times[k].append((time.perf_counter() - t) * 1000)
    return {k: statistics.median(v) for k, v in times.items()}

m = in_turn({"qas": [qas, "corpus.asm"], "z80asm": ["z80asm", "-o", "i_z.bin", "corpus_colon.asm"],
             "pasmo": ["pasmo", "corpus.asm", "i_p.bin"], "qas300k": [qas, "corpus300k.asm"]}, 20)
print("Taken in turn (20 rounds, median wall): corpus %.1f ms, z80asm %.1f ms (%.3fx), "
      "pasmo %.1f ms (%.3fx); 300,000 lines %.1f ms (%.1fx the corpus)." % (
          m["qas"], m["z80asm"], m["qas"] / m["z80asm"], m["pasmo"], m["qas"] / m["pasmo"],
          m["qas300k"], m["qas300k"] / m["qas"]))
m = in_turn({"qas": [qas, "small.asm"], "z80asm": ["z80asm", "-o", "i_s.bin", "small.asm"]}, 200)
print("The 2-line file taken in turn (200 rounds, median wall): %.2f ms, z80asm %.2f ms "
      "(%.2fx)." % (m["qas"], m["z80asm"], m["qas"] / m["z80asm"]))
PY
}
turns=$(interleaved)

costs=$("$cost" corpus.asm macro_loops.asm)
# Each source's figure for its whole run, then for its passes alone.
per() { echo "$costs" | sed -n "s/^$1: .*, \([0-9]*\) ns per statement (\([0-9]*\) ns.*/\\$2/p"; }
plain=$(per corpus.asm 1)
heavy=$(per macro_loops.asm 1)
plainPasses=$(per corpus.asm 2)
heavyPasses=$(per macro_loops.asm 2)
ratio=$(echo "$costs" | sed -n "s/^macro_loops.asm: \([0-9.]*x\) the cost.*/\1/p")
ratioPasses=$(echo "$costs" | sed -n "s/^macro_loops.asm: .*(\([0-9.]*x\) in the passes alone)/\1/p")

table=$(cat <<EOF
| source | qas: median wall (mean CPU) | qas peak memory | z80asm | pasmo |
|---|---|---|---|---|
| 2-line file (median of 200 runs) | ${small[0]} | $(mb "$(peak small.asm)") | ${small[1]} | ${small[2]} |
| 30,000-line corpus | ${c30[0]} | $(mb "$(peak corpus.asm)") | ${c30[1]} | ${c30[2]} |
| 300,000-line corpus ($(du -k corpus300k.asm | cut -f1) KiB) | ${c300[0]} | $(mb "$(peak corpus300k.asm)") | | |
| bench/macro_loops.asm | ${ml[0]} | $(mb "$(peak macro_loops.asm)") | | |

CPU per executed statement (best of 11 rounds, the two sources taken in turn): ${plain} ns on the
corpus, ${heavy} ns on bench/macro_loops.asm; the median of the rounds' ratios is ${ratio}.
Counting the passes alone (not reading the source): ${plainPasses} ns and ${heavyPasses} ns, ${ratioPasses}.
${turns}
Load average while measured: $(cut -d' ' -f1-3 /proc/loadavg).
EOF
)
echo "$table"

python3 - "$readme" "$table" <<'PY'
import re, sys
path, table = sys.argv[1], sys.argv[2]
text = open(path).read()
begin, end = "<!-- bench-table -->", "<!-- /bench-table -->"
if begin in text and end in text:
    text = re.sub(re.escape(begin) + ".*?" + re.escape(end),
                  lambda m: begin + "\n" + table + "\n" + end, text, flags=re.S)
    open(path, "w").write(text)
PY
