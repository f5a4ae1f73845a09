    REPT 1000
    REPT 1000
    REPT 1000
    nop
    MEND
    MEND
    MEND
