; The Next model: without ZXNEXTMAP $C000 is page 0; after it, slot 6 is page
; 20. Pages are also reached directly at $40000 + page * $2000.
        EMULATE_SPECTRUM "NEXT"
        ORG $C000
        DB $A0              ; page 0
        ZXNEXTMAP -1,-1,-1,-1,-1,-1,20,21
        ORG $C000
        DB $B4              ; page 20
        ORG $E001
        DB $B5              ; page 21, offset 1
        ORG $40000 + 5 * $2000
        DB $05              ; page 5 directly
        OUTPUT_BIN "page0.bin", $40000, 1
        OUTPUT_BIN "page20.bin", $40000 + 20 * $2000, 1
        OUTPUT_BIN "page21.bin", $40000 + 21 * $2000, 2
        OUTPUT_BIN "page5.bin", $4A000, 1
