; Functions are defined inside [[ ]], where register names are not keywords,
; so a function may be called f or i; outside, such a name followed by "("
; calls the function, while the plain register stays a register.
        ORG $8000
[[
FUNCTION f(a, b)
{ result = a + b }
FUNCTION i(v)
{ RETURN v * 2 }
]]
        DB f(2, 3)          ; 5
        LD A, f(1, 1)       ; 3E 02
        DB i(4)             ; 8
        LD A, I             ; ED 57
        f(0, 0)             ; a call as a statement: value dropped
        OUTPUT_BIN "out.bin", $8000, $ - $8000
