; A negative patch offset is refused: the file keeps its bytes (no stretch
; 4 GiB into it) and nothing after it is written.
        ORG $8000
        DB 1, 2, 3
        OUTPUT_BIN ".\\target.bin", $8000, 2, -1
        OUTPUT_BIN "after.bin", $8000, 1
