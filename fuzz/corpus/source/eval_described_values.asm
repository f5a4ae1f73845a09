; Values and messages of expressions as the language defines them; each
; VELDPRINT line prints its integers followed by a blank and its strings as
; they are.
 VELDPRINT 2 + 3 * 4, (2 + 3) * 4, 1 << 4 + 1, 1 << (4 + 1)
 VELDPRINT $0F & $F0 = 0, -7 / 2, -7 % 2, -16 >> 1, 1 << 33
 VELDPRINT "A" + 1, "<", "file.asm" - ".asm", "|", "file.asm" - ".ASM", ">"
 VELDPRINT "abc" = "ABC", "abc" < "abd", "ab" < "abc", 2.5 = 2, 3.5 = 4
 VELDPRINT $12345678[0], $12345678[3], $12345678[5], $12 ! $34, $12 ! "4"
 VELDPRINT "<", "HELLO"[1], "|", "HELLO"[[1..2]], "|", "HELLO"[0..1], "|", "HELLO"[4..9], ">"
 VELDPRINT 1 ? 10 : 20, 0 ? 10 : 20, 1 ? 2 : 0 ? 3 : 4, NOT 0.0, INV 0
 VELDPRINT ROUND(2.5), ROUND(-3.5), LOW $1234 + 1, LOW($1234) + 1, HIGH(-1), SQRT(-1), LN(0)
 VELDPRINT ZXPIXELADDR(0, 0), ZXPIXELADDR(255, 191), ZXATTRADDR(8, 8)
 VELDPRINT VELDKEYADDR("A"), VELDKEYADDR("[SHIFT]"), VELDKEYADDR("AQ"), VELDKEYBIT("[SYM]"), VELDKEYBIT("QA"), VELDKEYBIT(65)
 VELDPRINT "<", ROMAN(1994), "|", ROMAN(0), "|", MORSE("SOS"), "|", MORSE(12), ">"
 VELDPRINT "<", TOHEX(255), "|", TOHEX(255, 4), "|", TOHEX(-1), ">", BITMAP("..XX..XX", 33), INVBITMAP("..XX..XX", 33), SUM_MEM(0, 0)
 VELDPRINT "<", ROMAN(100001), "|", TITLECASE("o'neil mcdonald"), ">"
 VELDPRINT VELDMMU(0), VELDMMU(223), VELDMMU(224), VELDMMU(-1), VELDROM(-2), VELDROM(7)
zoLogicOperatorsHighPri = 0
 VELDPRINT $0F & $F0 = 0, 1 + 2 & 3, 1 = 2 + 3
zoLogicOperatorsHighPri = 1
zoStringIndexFromZero = 1
 VELDPRINT "<", "HELLO"[1], "|", "HELLO"[[1..2]], ">"
zoStringIndexFromZero = 0
outer PROC
top = 7
 VELDPRINT top, ^^top, ::top
 PEND
top = 6
