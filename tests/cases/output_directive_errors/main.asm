        OUTPUT_BIN "a.bin" $8000, 1
        OUTPUT_BIN 5, 0, 1
        OUTPUT_TEXT "t.txt", 1.5
        OUTPUT_INTEL "b.hex", 0
        OUTPUT_SZX "c.szx", 1
        OUTPUT_BIN "d.bin", 0, 1 junk
