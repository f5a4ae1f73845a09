; Misplaced and missing keywords, and the lines they are reported against.
        ORG $8000
        ELSE                    ; Missing If
        ENDIF                   ; Missing If
        LEND                    ; Missing Loop
        UNTIL 1                 ; Missing Repeat
        WEND                    ; Missing While
        NEXT                    ; 240, whose message is empty
        CASE 1                  ; no SWITCH open
        IF 0
        ELSE
        ELSE                    ; a second ELSE
        ENDIF
        SWITCH 3
        CASE "x"                ; Switch Type Mismatch
        ENDSWITCH
        FOR q = "" TO 5         ; a string start and an integer end
        NEXT
        IF 1                    ; still open at the end of the pass
        REPEAT                  ; still open
        LOOP 2                  ; still open
        MALIGN 256              ; still open: reported after the loops and IFs
