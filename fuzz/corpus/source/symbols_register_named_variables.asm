; A register or condition name before "=", ":=" or DEFL names a variable,
; which expressions read back; as instruction operands the names stay
; registers and conditions.
        ORG $8000
v = 1
v = v + 1
i := 5
z DEFL 7
        DB v, i, z
        LD A, I
        JP Z, $
        OUTPUT_BIN "out.bin", $8000, $ - $8000
