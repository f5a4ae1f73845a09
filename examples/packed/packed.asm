; packed.asm - a ZX Spectrum 48K program stored compressed.
;
; The program copies a picture (6912 bytes made while assembling) to the
; screen. VELDCOMPRESS replaces program and picture with a self-extracting
; block at $5B00 (23296): run there, it expands them back to $8000, the
; border flashing with the data, and jumps to the program. The tape holds
; a few hundred bytes instead of seven thousand.
;
;   qas packed.asm   writes packed.tap (LOAD "") and packed.sna

        EMULATE_SPECTRUM "48K"
STUB    = $5B00

        ORG $8000
begin:  ld hl, picture
        ld de, $4000
        ld bc, 6912
        ldir
        xor a
        out ($FE), a            ; a black border
main:   jr main                 ; done (interrupts stay off)

; The picture: an X in every character cell, in colours that ring the
; centre of the screen.
picture:
        LOOP 6144, i            ; pixel line n of every cell: bits n and 7 - n
        DB (1 << ((i >> 8) AND 7)) OR ($80 >> ((i >> 8) AND 7))
        LEND
        LOOP 24, row
        LOOP 32, col
ring    = ABS(2 * col - 31)     ; the distance from the centre, in half cells
        IF ABS(2 * row - 23) > ring
ring    = ABS(2 * row - 23)
        ENDIF
ring    = ring / 2
        DB ((ring AND 7) << 3) OR ((ring + 4) AND 7)    ; paper, ink
        LEND
        LEND
finish:

        VELDCOMPRESS begin, finish, begin, STUB, 1     ; 1: the border flashes
packed:                         ; the first address after the planted block

; Mode 2 tape: the block travels inside the BASIC loader, which puts it back
; at $5B00 and runs it. The snapshot starts at the block too.
        OUTPUT_TAP "packed.tap", "packed", "", STUB, packed - STUB, 2, STUB
        OUTPUT_SNA "packed.sna", $FF40, STUB
