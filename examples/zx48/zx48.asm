; zx48.asm - a ZX Spectrum 48K program with a loading screen.
;
; The loading screen is built while assembling: a dithered rainbow with the
; word VELD in big letters. The program then prints a line with the ROM's
; font, rolls rainbow stripes down the border every frame and, while a key
; is held, changes the colour of the big letters.
;
;   qas zx48.asm     writes zx48.tzx (LOAD "") and zx48.sna

        EMULATE_SPECTRUM "48K"

; ---------------------------------------------------------------------------
; The loading screen, planted at $4000 like any other bytes.

; The letters, five cells high: one 32-character pattern per row ("X" is a
; cell of a letter). BITMAP turns a pattern into a number, bit 31 for the
; leftmost column.
letters0 = BITMAP("....X...X.XXXXX.X.....XXXX......", 33)
letters1 = BITMAP("....X...X.X.....X.....X...X.....", 33)
letters2 = BITMAP("....X...X.XXXX..X.....X...X.....", 33)
letters3 = BITMAP(".....X.X..X.....X.....X...X.....", 33)
letters4 = BITMAP("......X...XXXXX.XXXXX.XXXX......", 33)

        ORG $4000
        LOOP 6144, i            ; pixels: a checkerboard, $55 and $AA on
        DB ($55 << ((i >> 8) AND 1)) AND $FF   ; alternate pixel lines
        LEND

; Attributes: the letters are bright white on rows 7 to 16 (each letter row
; drawn twice as high); elsewhere ink and paper climb the rainbow every three
; rows, one step apart, so the checkered pixels blend two neighbours.
        LOOP 24, row
pattern = 0
        IF (row >= 7) AND (row < 17)      ; (AND binds before the comparisons)
        SWITCH (row - 7) / 2
        CASE 0
pattern = letters0
        ENDCASE                 ; (cases run on into the next without it)
        CASE 1
pattern = letters1
        ENDCASE
        CASE 2
pattern = letters2
        ENDCASE
        CASE 3
pattern = letters3
        ENDCASE
        DEFAULT
pattern = letters4
        ENDSWITCH
        ENDIF
        LOOP 32, col
        IF (pattern >> (31 - col)) AND 1
        DB $7F                  ; bright, white paper and ink
        ELSE
        DB (((row + 1) / 3) AND 7) + (((row / 3) AND 7) << 3)
        ENDIF
        LEND
        LEND

; ---------------------------------------------------------------------------
; The program.

TEXT_ROW = 20                   ; character row of the printed line
ROMFONT  = $3D00                ; the ROM's character set, from the space

        ORG $8000
start:  di
        ld iy, $5C3A            ; the ROM's interrupt routine works through IY
        im 1
        ld hl, ZXPIXELADDR(0, TEXT_ROW * 8)
        ld de, message
        call print
        ld hl, ZXATTRADDR(0, TEXT_ROW * 8)      ; the line black on white
        ld b, 32
paint:  ld (hl), $38
        inc hl
        djnz paint
        ei

main:   halt                    ; wait for the start of a frame
        call stripes
        xor a                   ; read all eight keyboard half-rows at once
        in a, ($FE)
        cpl
        and $1F                 ; a bit is set for every key held
        jr z, main
        ld a, (colour)          ; a key: the next colour for the letters
        inc a
        and 7
        ld (colour), a
        ld c, a                 ; C := bright, ink and paper both the colour
        add a, a
        add a, a
        add a, a
        or c
        or $40
        ld c, a
        ld hl, $5800
        ld de, 768
recolour:
        bit 6, (hl)             ; only the letters are bright
        jr z, other
        ld (hl), c
other:  inc hl
        dec de
        ld a, d
        or e
        jr nz, recolour
        jr main

; Rainbow stripes in the border, each about four scan lines high, starting
; one colour further every frame so that they roll.
stripes:
        ld hl, frames
        inc (hl)
        ld e, (hl)
        ld d, 48                ; 48 stripes cover the picture and its border
stripe: ld a, e
        and 7
        out ($FE), a
        inc e
        ld b, 68                ; 68 * 13 T-states: about four lines of 224
wait:   djnz wait
        dec d
        jr nz, stripe
        xor a
        out ($FE), a            ; black for the rest of the frame
        ret

; print: the text at DE (ended by 0) at screen address HL, one character
; cell each, with the ROM's 8 x 8 font.
print:  ld a, (de)
        or a
        ret z
        push de
        push hl
        ex de, hl               ; DE := the cell on the screen
        sub 32
        ld l, a
        ld h, 0
        add hl, hl
        add hl, hl
        add hl, hl
        ld bc, ROMFONT
        add hl, bc              ; HL := the character's eight bytes
        ld b, 8
glyph:  ld a, (hl)
        ld (de), a
        inc hl
        inc d                   ; one pixel line down in the cell
        djnz glyph
        pop hl
        pop de
        inc hl
        inc de
        jr print

message: DB "  Hello from Veld! Press a key  ", 0
        DB [colour] 7           ; the letters' colour (white)
        DB [frames] 0           ; counts the frames: the program is running
size     = $ - start

; Mode 1 tape: a BASIC loader that draws the loading screen while the code
; loads (stripes: pilot cyan/red, data yellow/black, blue while waiting,
; black when done), then runs the program. The snapshot starts it at once.
        OUTPUT_TZX "zx48.tzx", "veld48", "Veld 48K example", start, size, 1, start, $010625
        OUTPUT_SNA "zx48.sna", $FF40, start
