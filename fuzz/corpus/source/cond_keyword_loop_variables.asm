; Register and condition names may name loop variables: only a name can
; stand there. In expressions they read as the variable; as operands of an
; instruction they stay registers (ld a,i).
 org $8000
 LOOP 3, i
 DB i
 LEND
 FOR i = 1 TO 10 STEP 3
 DB i
 NEXT
cnt = 0
 FOR f = 0 TO 1 STEP 0.25
cnt = cnt + 1
 NEXT
 DB cnt
 ld a,i
 OUTPUT_BIN "out.bin", $8000, $ - $8000
