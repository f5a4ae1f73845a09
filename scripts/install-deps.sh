#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

packages=(cmake g++ make python3 libgtest-dev libbenchmark-dev zlib1g-dev libpng-dev
          pasmo z80dasm srecord)
# The manual page is checked with groff; the editor check runs vim headless.
packages+=(groff-base vim)
# Independent readers of the output files: snapshot and tape tools, CP/M
# disk tools, a Z80 emulation library, C and Pascal compilers.
packages+=(fuse-emulator-utils cpmtools libz80ex-dev fp-compiler gcc libspectrum-dev)
# Test pictures for NEX loading screens are made with ImageMagick.
packages+=(imagemagick)
# hexdump writes plain hex dump inputs for the import checks; z80asm assembles
# the reference of the README's CP/M example.
packages+=(bsdextrautils z80asm)
# Benchmarks compare with peer assemblers and time whole commands.
if [ "${1:-}" = "--bench" ]; then packages+=(hyperfine z80asm time); fi
# Fuzzing needs clang and its libFuzzer runtime.
if [ "${1:-}" = "--fuzz" ]; then packages+=(clang libclang-rt-14-dev); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
    echo "error: missing packages (${missing[*]}) and not root; install them with apt-get" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}" >/dev/null 2>&1; then
  "${sudo_cmd[@]}" apt-get update -q >/dev/null 2>&1 || true
  if ! "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"; then
    echo "error: could not install: ${missing[*]}" >&2
    exit 1
  fi
fi
