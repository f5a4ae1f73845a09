; DG: the rest of the line, eight characters to a byte, first in bit 7;
; "-", "." and "_" are 0 bits, anything else a 1 bit; blanks are lost.
        ORG $8000
        DG XX..XX..                     ; CC
        DG X.X.X.X. --------            ; AA 00
        DG ____XXXX ; a comment         ; 0F
        DG 1-1-1-1-                     ; AA
        OUTPUT_BIN "out.bin", $8000, 5
