#!/usr/bin/env bash
# Times a LOOP of 10000 rounds whose body is three instructions, against the
# same 30000 instructions written out flat: the difference is what repeating
# a body by going back to a saved position costs.
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
hyperfine -N --warmup 3 "$qas loop.asm" "$qas flat.asm"
