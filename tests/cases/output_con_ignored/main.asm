; OUTPUT_CON and its kin are accepted with their arguments and do nothing.
        OUTPUT_CON "x.con", 1, 2 : DB 5
        OUTPUT_CON_DATA "x.con", 1
        OUTPUT_CON_SCREEN
        OUTPUT_CON_PALETTE "p"
        OUTPUT_BIN "a.bin", 0, 1
