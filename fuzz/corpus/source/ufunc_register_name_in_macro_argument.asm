; With a function named like a register, that register ending a macro
; argument is still read as that register.
        ORG $8000
[[
FUNCTION b(q)
{ result = q }
]]
load    MACRO(x)
        LD A, x
        MEND
        load(b)
        load(c)
        OUTPUT_BIN "out.bin", $8000, $ - $8000
