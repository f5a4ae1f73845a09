; Macro- and loop-heavy benchmark source: 20,000 macro expansions whose
; bodies hold their own labels, nested LOOP, REPT and FOR with IF inside,
; and a WHILE. The code of each outer round is placed at the same address,
; so the image stays small.
        zoLogicOperatorsHighPri = false
        zoWarnFlow = 0
fill    MACRO(dst, cnt)
        ld hl,dst
        ld b,cnt
again:  ld (hl),a
        inc hl
        djnz again
        MEND

pick    MACRO(val)
        IF val & 1
        xor a
        ELSE
        inc a
        ENDIF
        MEND

        LOOP 100, blk
        ORG $8000
        LOOP 200, k
        fill($C000 + k * 8, 8)
        pick(k)
        LEND
        LEND

        ORG $4000
        FOR f = 0 TO 99
        REPT 10
        LOOP 10, j
        IF j < 5
        nop
        ELSE
        ld a,j
        ENDIF
        LEND
        MEND
        NEXT

        ORG $9000
w       = 0
        WHILE w < 10000
        add a,w & $FF
w       = w + 1
        WEND

        OUTPUT_BIN "macro_loops.bin", $4000, $ - $4000
