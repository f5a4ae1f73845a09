; bars.asm - an Amstrad CPC program: screen mode 1, four inks, the screen
; filled with four colour bars, and the border colour changing every eight
; frames. It talks to the hardware directly (gate array and PPI), so it needs
; no firmware: the snapshot holds all of the 64K.
;
;   qas bars.asm     writes bars.sna (load it into a CPC emulator)

        EMULATE_SPECTRUM "CPC64"

GATE    = $7F                   ; gate array: pens, colours, screen mode
PPI_B   = $F5                   ; PPI port B: bit 0 is the frame flyback
SCREEN  = $C000

        ORG $4000
start:  di                      ; the firmware's interrupt code is not there
        ld bc, GATE * 256
        ld a, $8D               ; mode 1 (4 colours), both ROMs off
        out (c), a
        ld hl, inks
        ld e, 0
pens:   out (c), e              ; select pen E ...
        ld a, (hl)
        out (c), a              ; ... and give it its colour
        inc hl
        inc e
        ld a, e
        cp 4
        jr nz, pens

; The screen: 25 character rows of 80 bytes; the 8 pixel lines of a row lie
; $800 apart. Every pixel line gets the same 80 bytes of bars.
        ld de, SCREEN
        ld c, 8                 ; the eight blocks of $800
block:  push de
        ld b, 25
row:    push bc
        ld hl, bars
        ld bc, 80
        ldir                    ; DE moves on to the next character row
        pop bc
        djnz row
        pop de
        ld a, d
        add a, 8                ; the next pixel line: $800 further
        ld d, a
        dec c
        jr nz, block

main:   ld b, PPI_B
flyback:
        in a, (c)               ; wait for the frame flyback ...
        rra
        jr nc, flyback
        ld hl, frames
        inc (hl)
        ld a, (hl)
        rrca                    ; a new border colour every eight frames
        rrca
        rrca
        and $1F
        or $40                  ; (a colour number is sent with bit 6 set)
        ld bc, GATE * 256 + $10 ; pen $10 is the border
        out (c), c
        out (c), a
        ld b, PPI_B
picture:
        in a, (c)               ; ... and for its end
        rra
        jr c, picture
        jr main

inks:   DB $54, $4A, $53, $4C   ; black, bright yellow, bright cyan, bright red
; One pixel line: in mode 1 a byte holds four pixels; $F0, $0F and $FF set
; all four to pen 1, 2 and 3.
bars:   DS 20, $00
        DS 20, $F0
        DS 20, $0F
        DS 20, $FF
        DB [frames] 0           ; counts the frames: the program is running

        OUTPUT_SNA "bars.sna", $4000, start
