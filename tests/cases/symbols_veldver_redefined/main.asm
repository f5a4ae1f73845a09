; veldver is set to 76 at the start of every pass, so a source that gives it
; another value never settles.
veldver EQU 77
        NOP
