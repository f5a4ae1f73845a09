; Patching a file that does not exist fails the run; nothing after it is
; written.
        ORG $8000
        DB 1
        OUTPUT_BIN "before.bin", $8000, 1
        OUTPUT_BIN "sub\\missing.bin", $8000, 1, 0
        OUTPUT_BIN "after.bin", $8000, 1
