; Each bad use of a built-in function reports its own message once, at its
; own line; the lines after it still assemble.
        ORG $8000
        DB ZXPIXELADDR(256, 0)
        DB VELDKEYBIT("AS")
        DB BITMAP("..XX..X", 33)
        DB INVBITMAP("..XX..X", 33)
        DW OUTPUT_NEX_DATA("none.nex")
        DB SQRT 2
        DB CHR("A")
        DB TOHEX(1.5)
        DB VELDKEYADDR("A!")
        DB SQRT(-1), LN(0), ASIN(2)
        VELDASSERT ZXATTRADDR(0, 192) = 0
