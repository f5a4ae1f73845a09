; zx128.asm - a banked ZX Spectrum 128K program.
;
; The main code lives in bank 2 ($8000). Two more routines live in banks 1
; and 3; each is assembled for $C000 and reached by paging its bank in there
; through port $7FFD. The routine in bank 1 paints the top half of the
; screen, the one in bank 3 the bottom half; each prints a line naming its
; bank with a print routine of the main code and leaves a mark.
;
;   qas zx128.asm    writes zx128.tap (LOAD "" on a 128K) and zx128.sna

        EMULATE_SPECTRUM "128K"

PORT_7FFD = $7FFD
ROM48     = $10                 ; bit 4 of $7FFD: the 48K BASIC ROM

        ORG $8000
start:  di
        ld sp, $8000            ; the stack below the code, in bank 5
        ld iy, $5C3A            ; for the ROM's interrupt routine
        im 1
        ld a, ROM48 + 1         ; bank 1 at $C000
        call in_bank
        ld a, ROM48 + 3         ; bank 3 at $C000
        call in_bank
        ld a, ROM48 + 0         ; bank 0 back at $C000
        ld bc, PORT_7FFD
        out (c), a
        ei
main:   halt                    ; done: wait here for ever
        jr main

; in_bank: page the bank given in A in at $C000 and call its routine there.
in_bank:
        ld bc, PORT_7FFD
        out (c), a
        jp $C000

; print: the text at DE (ended by 0) at screen address HL with the ROM's
; 8 x 8 font (its space at $3D00).
print:  ld a, (de)
        or a
        ret z
        push de
        push hl
        ex de, hl
        ld l, a
        ld h, 0
        add hl, hl
        add hl, hl
        add hl, hl
        ld bc, $3D00 - 32 * 8
        add hl, bc
        ld b, 8
glyph:  ld a, (hl)
        ld (de), a
        inc hl
        inc d
        djnz glyph
        pop hl
        pop de
        inc hl
        inc de
        jr print

; paint: B attribute rows from HL: the paper colour climbs along the row
; from the colour in C; ink white.
paint:  push bc
        ld b, 32
        ld a, c
cells:  push af
        and 7
        add a, a
        add a, a
        add a, a
        or $47                  ; bright, white ink
        ld (hl), a
        inc hl
        pop af
        inc a
        djnz cells
        pop bc
        djnz paint
        ret

; band: one attribute row from HL white on black, for a line of text.
band:   ld b, 32
dark:   ld (hl), $47
        inc hl
        djnz dark
        ret
main_size = $ - start

; ---------------------------------------------------------------------------
; Bank 1: assembled for $C000, stored at $14000 (bank n is $10000 + n * $4000).

        ORG $C000
        DISP $14000 - $C000
bank1:  ld hl, $5800
        ld bc, 12 * 256 + 0     ; 12 rows, colours from black
        call paint
        ld hl, ZXATTRADDR(0, 40)
        call band
        ld hl, ZXPIXELADDR(64, 40)
        ld de, text1
        call print
        ld a, $B1
        ld (mark1), a           ; this bank's mark
        ret
text1:  DB "Hello from bank 1", 0
        DB [mark1] 0
bank1_size = $ - bank1
        ENT

; Bank 3: the same, stored at $1C000.
        ORG $C000
        DISP $1C000 - $C000
bank3:  ld hl, $5800 + 12 * 32
        ld bc, 12 * 256 + 4     ; 12 rows, colours from green
        call paint
        ld hl, ZXATTRADDR(0, 136)
        call band
        ld hl, ZXPIXELADDR(64, 136)
        ld de, text3
        call print
        ld a, $B3
        ld (mark3), a
        ret
text3:  DB "Hello from bank 3", 0
        DB [mark3] 0
bank3_size = $ - bank3
        ENT

; Mode 3 tape: one stream loads the code of bank 2 and of banks 1 and 3
; (given by their stored addresses), then runs start. The snapshot holds all
; eight banks, bank 0 at $C000.
        OUTPUT_TAP "zx128.tap", "veld128", "", start, main_size, 3, start, $10001, $14000, bank1_size, $1C000, bank3_size
        OUTPUT_SNA "zx128.sna", $8000, start
