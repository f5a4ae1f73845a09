; veldver is set to 76 at the start of every pass, so a source that gives it
; another value gives it two values in one pass.
veldver EQU 77
        NOP
