; Refused forms and out-of-range operands: one error per line.
        ORG $8000
        SUB A,B
        STRICT
        SUB A,B
        SLI A
        EXTENDED
        JR $+130
        RST 1
        BIT 8,A
        JP (IX+1)
        PUSH AF,
        LD HL,(IX+127)
        OUT (C),1
        LD A,256
        LD A,(IX+128)
        JR PO,$
        EX HL,DE
        INC (BC)
        BIT [bn]1,A
        zoStrictSyntax = 1
        JP Z $1234
        DJNZ ,$
        NOP
        JR -$7FFFFFFF
        DJNZ -$7FFFFFFF
        SEGMENT t = $A000, 3
        SEGMENT t
        LD HL,$1234
        NOP
        STRUCT
        LD A,1
        SEND
