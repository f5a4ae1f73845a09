; Boundary forms of the Z80 encoder, assembled at $8000.
        ORG $8000
        SUB A,B                 ; short form: 90
        SUB B                   ; 90
        ADD B                   ; 80
here:   JR here                 ; 18 FE
        JR fwd                  ; forward: 18 00
fwd:    JR $+129                ; largest forward offset: 18 7F
        JR $-126                ; largest backward offset: 18 80
        RST 8                   ; CF
        JP (IX)                 ; DD E9
        RLC (IX+5),B            ; DD CB 05 00
        SET 3,(IY-2),A          ; FD CB FE DF
        PUSH AF,BC              ; F5 C5
        LD B,1, C,2             ; merged: 01 02 01
        LD B,1, D,2             ; 06 01 16 02
        LD BC,DE                ; 42 4B
        LD HL,(IX+126)          ; DD 6E 7E DD 66 7F
        LM A,B, $1234           ; 3E 12 06 34
        LM B,C, $1234           ; 01 34 12
        OUT (C),0               ; ED 71
        EX AF,AF'               ; 08
        DJNZ ,$                 ; forgiven comma: 10 FE
        LD A,(2)+1              ; an expression, not an address: 3E 03
        LD A,(IX-5+3)           ; the value after "-" is negated: DD 7E F8
        OUTPUT_BIN "edge.bin", $8000, $ - $8000
