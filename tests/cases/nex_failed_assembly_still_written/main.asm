; An assembly with errors still writes its NEX file. The final pass is not
; clean, so no byte reaches the image: the file is the header and the data.
        EMULATE_SPECTRUM "NEXT"
        ORG $C000
        DB 1
        OUTPUT_NEX "t.nex", $FFFE, $C000, "3.1.10", 0, 2, 3, 1, 4
        OUTPUT_NEX_DATA "t.nex", DBL, "AB", DW, $1234
        OUTPUT_NEX_DATA "t.nex", 1.5
        OUTPUT_NEX_DATA "t.nex", DBL, DS, 256
        OUTPUT_NEX_DATA "t.nex", DS, 1:300
        OUTPUT_NEX_DATA "t.nex", DB
        OUTPUT_NEX_DATA "t.nex", DBLW, DS, 65536
        OUTPUT_NEX_DATA "t.nex", DBLL, DEFLBE, 1, DBTB, "ok"
