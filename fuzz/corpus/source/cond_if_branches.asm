; IF, ELSEIF, ELIF and ELSE: each construct plants the number of the branch
; it takes.
        ORG $8000
        IF 0
        DB 1
        ELSE
        DB 2                    ; taken
        ENDIF
        IF 5
        DB 3                    ; taken
        ELSE
        DB 4
        ENDIF
        IF 0
        DB 5
        ELSEIF 0
        DB 6
        ELIF 1
        DB 7                    ; taken: the first true condition
        ELSEIF 1
        DB 8
        ELSE
        DB 9
        ENDIF
        IF 0
          IF 1
          DB 10
          ELSE                  ; belongs to the inner IF: does not end the skip
          DB 11
          ENDIF
        ELSE
          IF 0
          DB 12
          ELSE
          DB 13                 ; taken
          ENDIF
        ENDIF
        IF 0 : DB 14 : ELSE : DB 15 : ENDIF     ; 15 taken
        IF 0
/* a commented-out
        ENDIF */
        DB 16
        ENDIF
        DB $FF
        OUTPUT_BIN "out.bin", $8000, 6
