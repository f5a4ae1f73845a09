; Messages of expressions that break the rules of operators, operands and
; built-in functions.
top = 6
 DB [^^top] 1
 VELDPRINT 7 / 0
 VELDPRINT "ab" + 1
 VELDPRINT INV 1.5
 VELDPRINT "a" < 1
 VELDPRINT ZXPIXELADDR(256, 0)
 VELDPRINT VELDKEYBIT("AS")
 VELDPRINT BITMAP("..XX..X", 33)
 VELDPRINT INVBITMAP("..XX..X", 33)
 VELDPRINT DEF(top)
 VELDPRINT ZPOP
 VELDPRINT nowhere
