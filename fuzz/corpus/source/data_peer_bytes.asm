; Byte, word, message and space directives in the syntax shared with two
; independent assemblers; the expected bytes are theirs.
        ORG $8000
start:  DB 1, 2, 3, -1, 255, -128, 300 & 255, 0
        DEFB 'x', 0, $7F, 80h
        DEFM "hello world"
        DEFM "x"
        DW $1234, -1, 0, 65535, -32768, 32767
        DEFW msg, $, start
msg:    DEFM "Text"
        DEFS 3
        DEFS 2, $AA
        DS 4, 7
        DS 1, -1
        DB $ - msg, msg - start
        DEFB 1 + 2 * 3, 7 / 2, (1 + 2) * 3
        DW 2 * 3 + 1, msg + 1, msg - 1
        DB $ff, 0ffh, 0FEH, 0x10
        DW $ & $FF00, last - start
last:
        OUTPUT_BIN "out.bin", $8000, 75   ; not part of the shared syntax
