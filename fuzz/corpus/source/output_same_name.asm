; A later definition for the same file replaces the earlier one; names that
; differ in letter case are different files.
        ORG $8000
        DB 1, 2, 3, 4
        OUTPUT_BIN "x.bin", $8000, 4
        OUTPUT_BIN "x.bin", $8001, 2
        OUTPUT_BIN "X.bin", $8003, 1
        OUTPUT_HEX "y.txt", $8000, 1
        OUTPUT_BIN "y.txt", $8002, 2
        OUTPUT_BIN "sub/z.bin", $8000, 1
