; DBL, DBLW, DBLL: a byte list behind its length, low byte first.
        ORG $8000
        DBL 1, 2, 3                     ; 03 01 02 03
        DBLW "abc"                      ; 03 00 61 62 63
        DBLL "x", DW $1234              ; 03 00 00 00 78 34 12
        DBL DS 255:$77                  ; FF, then 255 times 77 ($8010..$810F)
        DBLW DS 300                     ; 2C 01, then 300 zeros ($8110..$823D)
        DB $EE                          ; $823E
        OUTPUT_BIN "head.bin", $8000, 18
        OUTPUT_BIN "mid.bin", $810F, 3
        OUTPUT_BIN "tail.bin", $823D, 2
