; Every Z80N form with boundary operands, on the Next model. The expected
; bytes (expect.txt) are read from the Z80N opcode tables by hand: the
; comment on each line gives them.
        EMULATE_SPECTRUM "NEXT"
        ORG $8000
        LDIX                    ; ED A4
        LDWS                    ; ED A5
        LDIRX                   ; ED B4
        LDDX                    ; ED AC
        LDDRX                   ; ED BC
        LDPIRX                  ; ED B7
        LDIRSCALE               ; ED B6
        OUTINB                  ; ED 90
        PIXELDN                 ; ED 93
        PIXELAD                 ; ED 94
        SETAE                   ; ED 95
        SWAPNIB                 ; ED 23
        MIRROR A                ; ED 24
        TEST 0                  ; ED 27 00
        TEST 255                ; ED 27 FF
        TEST -128               ; ED 27 80
        MUL D,E                 ; ED 30
        MUL E,D                 ; ED 30
        MUL                     ; ED 30
        BSLA DE,B               ; ED 28
        BSRA DE,B               ; ED 29
        BSRL DE,B               ; ED 2A
        BSRF DE,B               ; ED 2B
        BRLC DE,B               ; ED 2C
        BSLA                    ; ED 28
        BSRA                    ; ED 29
        BSRL                    ; ED 2A
        BSRF                    ; ED 2B
        BRLC                    ; ED 2C
        NEXTREG 0,A             ; ED 92 00
        NEXTREG 255,A           ; ED 92 FF
        NEXTREG 0,0             ; ED 91 00 00
        NEXTREG $FF,-128        ; ED 91 FF 80
        NEXTREG [port]7,[speed]3 ; ED 91 07 03, both operand bytes writable
        PUSH $1234              ; ED 8A 12 34 (high byte first)
        PUSH -32768             ; ED 8A 80 00
        PUSH 65535              ; ED 8A FF FF
        PUSH AF,$0102,IY        ; F5 ED 8A 01 02 FD E5
        ADD HL,A                ; ED 31
        ADD DE,A                ; ED 32
        ADD BC,A                ; ED 33
        ADD HL,$1234            ; ED 34 34 12 (low byte first)
        ADD DE,-32768           ; ED 35 00 80
        ADD BC,65535            ; ED 36 FF FF
        JP (C)                  ; ED 98
        LD A,(port)             ; 3A 4D 80: port is the byte at $804D
        LD A,(speed)            ; 3A 4E 80
        zoDebug = 1
        DBGBREAK                ; DD 01
        DBGEXIT                 ; DD 00
        VELDEMUCMD "br"         ; DD C3 86 80 62 72: jumps to $8086
        zoDebug = 0
        DBGBREAK                ; nothing
        VELDEMUCMD "gone"       ; withdrawn: the next byte goes to $8086
        RET                     ; C9
        OUTPUT_BIN "forms.bin", $8000, $ - $8000
