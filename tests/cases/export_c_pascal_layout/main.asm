; C headers: 16 entries a line, the line ends, the quoted example line, the
; invalid-range comment. (The Pascal units are checked by check_exports.py.)
        ORG $8000
three:  DB 1, 2, 3
        ORG $9000
        DB $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $1A, $1B, $1C, $1D, $1E, $1F, $FF

        OUTPUT_C "gen\\three.h", "THREE", "data", "", three, 3
        OUTPUT_C "gen\\row.h", "ROW", "const unsigned char row", "/* \"quoted\" \\ */", $9000, 17
        OUTPUT_C "gen\\none.h", "NONE", "x", "", $8000, 0
        OUTPUT_C "gen\\neg.h", "NEG", "x", "", -2, 1
