; Three levels of mixed constructs, then a repeated body whose labels are
; made unique by an anonymous procedure and a macro expansion per round.
        ORG $8000
wait    MACRO()
spin:   djnz spin
        MEND
        FOR row = 1 TO 2
          LOOP 2, col
            IF (row + col) & 1
              DB $10 * row + col
            ELSE
              SWITCH col
              CASE 0
                DB $E0 + row
                ENDCASE
              DEFAULT
                DB $F0 + row
              ENDSWITCH
            ENDIF
          LEND
        NEXT
        LOOP 2
        {
here:   nop
        djnz here
        wait()
        }
        LEND
        OUTPUT_BIN "out.bin", $8000, 14
