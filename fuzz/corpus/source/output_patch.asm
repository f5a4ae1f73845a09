; Patching an existing file twice, in source order; the second patch runs
; past the end and makes the file longer.
        ORG $8000
        DB 1, 2, 3
        OUTPUT_BIN "target.bin", $8000, 2, 1
        OUTPUT_BIN "target.bin", $8000, 3, 7
