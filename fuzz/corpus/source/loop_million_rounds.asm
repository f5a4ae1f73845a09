n = 0
    LOOP 1000000
n = n + 1
    LEND
    DW n, n >> 16
    OUTPUT_BIN "out.bin", 0, 4
