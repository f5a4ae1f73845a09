; Assembler text and hex dumps of a range that starts off a multiple of 16.
        ORG $8003
        DB 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20
        OUTPUT_DB "a.asm", $8003, 20
        OUTPUT_HEX "plain.txt", $8003, 20, 0, 8
        OUTPUT_HEX "default.txt", $8003, 3
        OUTPUT_HEX "wide.txt", $8003, 3, 6, 2
        OUTPUT_DB "none.asm", $8003, 0
