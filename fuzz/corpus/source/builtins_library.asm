; Built-in functions in data and assertions; every expected byte below was
; worked out by hand from the rules of each function.
        ORG $8000
first:
        DB ROMAN(1994), 0
        DB ROMAN(0), 0
        DB MORSE("SOS"), 0
        DB MORSE(12), 0
        DB TOHEX(255), TOHEX(255, 4), TOHEX(-1), 0
        DB TITLECASE("o'neil mcdonald"), 0
        DW ZXPIXELADDR(0, 0), ZXPIXELADDR(255, 191), ZXATTRADDR(8, 8), ZXPIXELADDR(200, 100)
        DW VELDKEYADDR("A"), VELDKEYADDR("[SHIFT]"), VELDKEYADDR("AQ")
        DB VELDKEYBIT("[SYM]"), VELDKEYBIT("QA"), VELDKEYBIT(65), VELDKEYMASK("B")
        DB LOW $1234 + 1, LOW($1234) + 1, HIGH(-1)
        DB ROUND(2.5), ROUND(-3.5), SQRT(-1), LN(0)
        DB BITMAP("..XX..XX", 33)
        DB SUM_MEM(first, 8) & $FF, XOR_MEM(first, 8)
last:
        VELDASSERT INVBITMAP("..XX..XX", 33) = $FFFFFFCC, "invbitmap"
        VELDASSERT SUM_MEM(first, 0) = 0, "empty sum"
        VELDASSERT SQRT(2) * SQRT(2) > 1.999999, "sqrt 2"
        VELDASSERT (LENGTH(ROMAN(100001)) = 24) AND (ORD(ROMAN(100001)) = 34), "roman joke"
        VELDASSERT VELDGETFILELENGTH("data.bin") = 10, "file length"
        VELDASSERT VELDGETFILELENGTH("none.bin") = -1, "missing file"
        VELDASSERT ABS(-7) + ABS = 7, "abs"
        VELDASSERT (LENGTH("four") = 4) AND (ORD("A") = 65), "length and ord"
        OUTPUT_BIN "out.bin", first, last - first
