        OUTPUT_BIN "a.bin" $8000, 1
        OUTPUT_BIN 5, 0, 1
        OUTPUT_TEXT "t.txt", 1.5
        OUTPUT_INTEL "b.hex", 0
        OUTPUT_SZX "c.szx", 1
        OUTPUT_BIN "d.bin", 0, 1 junk
        OUTPUT_CON "x.con", 1 : DB 1
        OUTPUT_CON_BLOCK
        OUTPUT_BIN "e.bin", "ab", 1
        OUTPUT_HEX "f.txt", 0, 1, 4, 16, 0
        OUTPUT_TEXT "g.txt"
        OUTPUT_PARA 1
        EXPORT_SYM "s.sym"
