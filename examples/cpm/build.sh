#!/bin/sh
# Builds the CP/M example: formats a blank virtual drive with cpmtools (one
# 8 MiB disk, drive A:, described by ./diskdefs) and assembles powers.asm,
# which writes POWERS.COM into it.
#   QAS=path/to/qas ./build.sh      (default: the qas of ../../build)
set -e
cd "$(dirname "$0")"
QAS=${QAS:-../../build/qas}
rm -f drive.img
mkfs.cpm -f veld drive.img      # cpmtools read ./diskdefs first
truncate -s 8M drive.img        # the drive file never grows: full size now
"$QAS" powers.asm
