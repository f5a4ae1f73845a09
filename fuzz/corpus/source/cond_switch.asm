; SWITCH: ranges, lists, fall-through, DEFAULT, strings and floats.
        ORG $8000
        SWITCH 3
        CASE 1 .. 5
        DB 1                    ; taken
        ENDCASE
        DEFAULT
        DB 2
        ENDSWITCH

        SWITCH 4
        CASE 7, 4, 9
        DB 3                    ; taken
        CASE 5
        DB 4                    ; falls through into this case
        ENDCASE
        CASE 4
        DB 5
        ENDSWITCH

        SWITCH 9
        CASE 1
        DB 6
        DEFAULT
        DB 7                    ; taken
        ENDSWITCH

        SWITCH "ab"
        CASE "AB"               ; strings match exactly
        DB 8
        ENDCASE
        CASE "ab"
        DB 9                    ; taken
        ENDSWITCH

        SWITCH 2.5
        CASE 1.0 .. 2.0
        DB 10
        ENDCASE
        CASE 2.0 .. 3.0
        DB 11                   ; taken
        ENDSWITCH

        SWITCH 7
        CASE 1
        DB 12
        ENDSWITCH               ; no match and no DEFAULT: nothing
        DB $FF
        OUTPUT_BIN "out.bin", $8000, 7
