; Trip counts and loop-variable values of every loop kind.
        ORG $8000
        LOOP 3, idx
        DB idx                  ; 00 01 02
        LEND
        LOOP 0
        DB $EE
        LEND
        FOR idx = 1 TO 10 STEP 3
        DB idx                  ; 01 04 07 0A
        NEXT
        FOR idx = 10 TO 1 STEP -4
        DB idx                  ; 0A 06 02
        FEND
        FOR idx = 5 TO 1        ; runs zero times
        DB $EE
        NEXT
        FOR idx = 1 TO 1 STEP 0 ; runs zero times
        DB $EE
        NEXT
cnt     = 0
        FOR fv = 0 TO 1 STEP 0.25
cnt     = cnt + 1
        NEXT
        DB cnt                  ; 05
cnt     = 0
        FOR fv = 1 TO 0 STEP -0.5
cnt     = cnt + 1
        NEXT
        DB cnt                  ; 03
        FOR piece = "" TO "abcde" STEP 2
        DB piece                ; "ab" "cd" "e"
        NEXT
cnt     = 0
        REPEAT
cnt     = cnt + 1
        UNTIL 1
        DB cnt                  ; 01
        WHILE 0
        DB $EE
        WEND
cnt     = 0
        WHILE cnt < 3
cnt     = cnt + 1
        DB cnt                  ; 01 02 03
        WEND
        REPT 2
        DB $AA                  ; AA AA
        MEND
        REPT 0
        DB $EE
        MEND
        DB $FF
        OUTPUT_BIN "out.bin", $8000, 24
