; The 128K models map $10000 + n * $4000 to bank n and fix the 64K view to
; banks 5, 2 and 0; the ROM window at $0000 maps nowhere.
        EMULATE_SPECTRUM "128K"
        ORG $1C000
        DB $33              ; bank 3
        ORG $C000
        DB $C0              ; bank 0, whatever is paged in
        ORG $4000
        DB $55              ; bank 5
        ORG $8000
        DB $22              ; bank 2
        ORG $2C000
        DB $77              ; bank 7
        ORG $0000
        DB $EE              ; ROM: dropped into the dump cell
        OUTPUT_BIN "bank3.bin", $1C000, 1
        OUTPUT_BIN "bank0.bin", $10000, 1
        OUTPUT_BIN "bank5.bin", $24000, 1
        OUTPUT_BIN "bank2.bin", $18000, 1
        OUTPUT_BIN "bank7.bin", $2C000, 1
        OUTPUT_BIN "view.bin", $4000, $C000
