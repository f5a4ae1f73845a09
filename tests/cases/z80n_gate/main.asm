; The Next's instructions need zoSupportNext set and zoStrict clear, read
; for every statement; the emulator command block needs neither.
        ORG $8000
        LDIX                    ; refused: a 48K source
        PUSH $1234              ; refused
        zoSupportNext = 1
        LDIX
        PUSH $1234
        STRICT
        NEXTREG 7,A             ; refused: strict
        JP (C)                  ; refused
        EXTENDED
        MUL D,E
        MUL B,C                 ; refused: no such form
        BSLA HL,B               ; refused
        TEST 256                ; out of range
        zoSupportNext = 0
        zoDebug = 1
        DBGBREAK                ; refused: the gate is closed
        VELDEMUCMD 1            ; not gated
