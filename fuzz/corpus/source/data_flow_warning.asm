; Data right after an instruction that runs on into it is worth a warning.
        ORG $8000
        LD A,B
        DB 1                ; warns
        RET
        DB 2                ; RET does not flow
        LD A,B
        NOFLOW
        DS 1                ; NOFLOW silences it
        NOP
        DH "00"             ; warns
zoWarnFlow = 0
        NOP
        DB 3                ; warnings switched off
