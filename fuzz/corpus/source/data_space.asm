; Space: standalone the fill follows a comma, inside a list a colon.
        ORG $8000
        DS 3, $AA                       ; AA AA AA
        DB 1, DS 2:$55                  ; 01 55 55
        DEFS 2, -1                      ; FF FF
        DS 0, 7                         ; nothing
        DS -3                           ; nothing
        DEFV 2, $11                     ; 11 11
        DB 2, DEFV 1:$22, DS 1:$33      ; 02 22 33
        DS [buf] 1, $44                 ; 44, buf = $800D
        DW buf                          ; 0D 80
rec:    STRUCT
f1:     DS 4                            ; offsets only
f2:     DS 2
f3:     SEND
        DW f2, f3                       ; 04 00 06 00
        OUTPUT_BIN "out.bin", $8000, 20
        SEGMENT s = $9000, 4
        SEGMENT s
        DS 4, $EE                       ; ends exactly at the segment's end
        OUTPUT_BIN "seg.bin", $9000, 5
