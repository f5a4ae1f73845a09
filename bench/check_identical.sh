#!/usr/bin/env bash
# Assembles every benchmark source with two qas binaries (before and after a
# change meant only to make qas faster or smaller) and fails on the first
# difference in standard output, standard error, exit code or any file
# written. The corpus also gets its binary compared with pasmo's, so the
# reference run itself is checked against an independent assembler.
#
# usage: bench/check_identical.sh OLD_QAS NEW_QAS
set -euo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src"
cd "$work/src"
printf '        org 0\n        ld a,1\n' > small.asm
# The corpora declare no output; a binary of the whole image is appended,
# and for the smaller one its list file as well.
python3 "$here/gen_corpus.py" 30000 > corpus.asm
printf '        OUTPUT_BIN "corpus.bin", 0, $\n' >> corpus.asm
printf '        OUTPUT_LIST "corpus.lst"\n' >> corpus.asm
python3 "$here/gen_corpus.py" 300000 > corpus300k.asm
printf '        OUTPUT_BIN "corpus300k.bin", 0, $10000\n' >> corpus300k.asm
cp "$here"/*.asm .

# Every source once more with a fault in the middle: the error paths and
# the early end of the passes must not change either.
for f in *.asm; do
  python3 - "$f" "broken_$f" <<'PY'
import sys
lines = open(sys.argv[1], encoding="latin-1").read().split("\n")
lines.insert(len(lines) // 2, " ld a,(undefined_name + 1")
open(sys.argv[2], "w", encoding="latin-1").write("\n".join(lines))
PY
done

status=0
for f in *.asm; do
  # Both run in the same folder: files such as the list file name it.
  for side in old new; do
    mkdir -p "$work/run" "$work/$side"
    cp "$f" "$work/run/"
    bin=$old
    [ "$side" = new ] && bin=$new
    (cd "$work/run" && set +e && "$bin" "$f" > stdout.txt 2> stderr.txt
     echo "exit $?" > exit.txt)
    mv "$work/run" "$work/$side/$f"
  done
  if diff -r "$work/old/$f" "$work/new/$f" > "$work/diff.txt"; then
    echo "same: $f ($(ls "$work/new/$f" | wc -l) files)"
  else
    echo "DIFFERENT: $f"
    head -20 "$work/diff.txt"
    status=1
  fi
done

# The corpus's bytes as an independent assembler makes them.
if command -v pasmo > /dev/null; then
  python3 "$here/gen_corpus.py" 30000 > "$work/plain.asm"
  pasmo "$work/plain.asm" "$work/pasmo.bin"
  if cmp "$work/pasmo.bin" "$work/new/corpus.asm/corpus.bin"; then
    echo "same as pasmo: corpus.bin"
  else
    echo "DIFFERENT from pasmo: corpus.bin"
    status=1
  fi
fi
exit $status
