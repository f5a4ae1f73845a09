#!/usr/bin/env bash
# Times qas against the peer assemblers on a 2-line source and on the
# 30000-line corpus, and reports qas's peak memory on the corpus.
set -euo pipefail
qas=$(realpath "${1:-build-bench/qas}")
here=$(cd "$(dirname "$0")" && pwd)
gen="$here/gen_corpus.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '        org 0\n        ld a,1\n' > small.asm
python3 "$gen" 30000 > corpus.asm
python3 "$gen" 30000 30000 --equ-colon > corpus_colon.asm

hyperfine -N --warmup 3 --export-markdown small.md \
  "$qas small.asm" "z80asm -o small_z.bin small.asm" "pasmo small.asm small_p.bin"
hyperfine -N --warmup 1 --export-markdown corpus.md \
  "$qas corpus.asm" "z80asm -o corpus_z.bin corpus_colon.asm" "pasmo corpus.asm corpus_p.bin"
cat small.md corpus.md
/usr/bin/time -f "qas peak memory on the corpus: %M KiB" "$qas" corpus.asm >/dev/null
