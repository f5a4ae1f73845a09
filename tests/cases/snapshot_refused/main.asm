; An SNA file stacks the start address at SP - 2: with SP $4001 it would land
; in ROM, so the file is refused; the other files are still written and the
; run fails.
        ORG $8000
        DB 1
        OUTPUT_SNA "out\\low.sna", $4001, $8000
        OUTPUT_BIN "after.bin", $8000, 1
