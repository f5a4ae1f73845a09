; The block layouts of mode 0 (CODE header and data) and mode 2 (code inside
; the BASIC loader: in place at 23760, behind the LDIR relocator below 23775,
; behind the LDDR relocator above).
        ORG $8000
        DB 1, 2, 3
        OUTPUT_TAP "plain.tap", "ab", "", $8000, 3
        ORG 23760
        RET
        OUTPUT_TAP "inplace.tap", "x", "", 23760, 1, 2
        ORG $9000
        DB $AA, $BB
        OUTPUT_TAP "high.tap", "hi", "", $9000, 2, 2, $9001
        ORG $5B00
        DB $CC, $DD
        OUTPUT_TAP "low.tap", "lo", "", $5B00, 2, 2
        OUTPUT_TAP "empty.tap", "e", "", $8000, 0
