; Byte, word and long lists; kind keywords switch the kind inside a list.
        ORG $8000
        DB 1, DW $1234, DB "ab"         ; 01 34 12 61 62
        DBTB "ab"                       ; 61 E2: last character with bit 7 set
        DEFWBE $1234                    ; 12 34
        DEFLBE $12345678                ; 12 34 56 78
        DL $12345678                    ; 78 56 34 12
        DB 300                          ; 2C: only the low bits, no error
        DB 2.5, 3.5, -2.5               ; 02 04 FE: rounded, ties to even
        DEFB 1, DEFL -2                 ; 01 FE FF FF FF: DEFL in a list is a long
        DEFM "Z", DW "AB"               ; 5A 41 00 42 00: each character a word
        DW ., .                         ; 1F 80 21 80: "." is the element's address
        DB ,$FF                         ; FF: a leading comma is accepted
        OUTPUT_BIN "out.bin", $8000, 36
