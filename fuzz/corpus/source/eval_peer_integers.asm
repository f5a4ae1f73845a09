; Integer expressions in the syntax pasmo shares; one word each.
 org 0
 dw 2+3*4
 dw (2+3)*4
 dw 1 shl 4 + 1
 dw 100/7
 dw 100 mod 7
 dw -7/2
 dw -7 mod 2
 dw 'A'
 dw 'A'+1
 dw 0ffh
 dw 377q
 dw 11111111b
 dw $1f
 dw %1010
 dw $1234 shr 4
 dw $1234 shl 4
 dw high $1234
 dw low $1234
 dw 10-2-3
 dw 100/10/2
 dw 0ah and 0fh or 30h xor 1
 dw - - 3
 dw 17 % 5
 dw 1 or 2 = 3
 dw 1 shl 2 + 3
 dw 1 ? 2 : 3
 dw 5 & 3
 dw 5 | 3
 dw 16 >> 2
 dw 1 << 3
 dw -1/2
 dw -$8000
 dw 2 * 3 + 4 * 5
 dw 20 / 3 * 3
 dw 2 shl 1 shl 1
 dw 12h + 1
 dw 0x10
 dw -7 / 2 * 2
 dw -(3 * 4)
 dw 'z' - 'a'
 dw $7fff + 1
 dw 0 - 1
 dw 255 and 15 or 64
 dw high 1 + 2
 dw low 300
 dw 5 - 3 - 1
 dw 2 * (3 + 4) * 5
 dw $abcd shr 8
 OUTPUT_BIN "out.bin",0,$
