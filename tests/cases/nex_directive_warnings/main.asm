; Every warning of the NEX directives, in the final pass.
        EMULATE_SPECTRUM "NEXT"
        ORG $C000
        DB 1
        OUTPUT_NEX "a.nex", $FF00, $8000, "1.2", 3
        OUTPUT_NEX "b.nex", 0, $C000, "2.0.28"
        OUTPUT_NEX "b.nex", 0, $C000, "2.0.28"
        OUTPUT_NEX_DATA "c.nex", 1
        OUTPUT_NEX_SCREEN "c.nex", "", $4000, 6912, 0, 0
        OUTPUT_NEX_PALETTE "c.nex", "", 0, 256
        OUTPUT_NEX_PALETTE "b.nex", "", 0, 256
        OUTPUT_NEX_SCREEN "b.nex", "", $54000, 6912, 0, 0
        OUTPUT_NEX_SCREEN "b.nex", "", $54000, 6912, 0, 0
        OUTPUT_NEX_PALETTE "b.nex", "", 0, 100
        OUTPUT_NEX_PALETTE "b.nex", "", 0, 512
