; OUTPUT_CON and its kin are accepted and read nothing: a ":" after one
; starts the next statement as usual.
        OUTPUT_CON
        OUTPUT_CON_DATA : DB 5
        output_con_screen
        OUTPUT_CON_PALETTE ; nothing else
        OUTPUT_BIN "a.bin", 0, 1
