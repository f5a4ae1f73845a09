; Wrong argument counts are "Syntax Error"; a function that never assigns
; result has no value, so an instruction operand reports "Integer Expected".
        ORG $8000
[[
FUNCTION f(a, b)
{ result = a + b }
FUNCTION h(a)
{ a = 1 }
]]
        DB f(2)
        DB f(2, 3, 4)
        LD A, h(1)
