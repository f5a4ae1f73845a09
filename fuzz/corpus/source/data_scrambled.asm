; DBX key, list: every byte but float bytes is XOR-ed with the key, which
; then grows by the step set with DBXO.
        ORG $8000
        DBXO 1
        DBX $55, 0                          ; 55, key now 56
        DBX $10, 1, 2, DS 2:0, DW $0303     ; 11 13 12 13 17 16
        DBX $20, DF 1, DB 1                 ; float plain 00 00 01 00 00, then 01^20 = 21
        DBXO 0
        DBXTB $0F, "ab", "c"                ; 61^0F E2^0F E3^0F = 6E ED EC
        DBXO $FF
        DBX 0, 0, 0, 0                      ; keys 00 FF FE: 00 FF FE
        OUTPUT_BIN "out.bin", $8000, 19
