; stripes.asm - a ZX Spectrum Next program: switches the CPU to 28 MHz,
; draws a diagonal and a vertical line on the ULA screen with the Next's
; pixel instructions, colours the attribute rows in stripes and stays.
;
;   qas stripes.asm      writes stripes.nex (run it from the Next's browser:
;                        title.png shows while it loads) and stripes.bin
;                        (load and run at 32768)
;   python3 make_title.py   makes title.png again

        EMULATE_SPECTRUM "NEXT"         ; the Next model opens the Z80N set
        ORG $8000

start:  nextreg $07, 3          ; Next register 7, CPU speed: 3 is 28 MHz
        ld bc, $123B            ; the layer 2 port: 0 hides layer 2, so the
        xor a                   ; loading screen of the NEX file gives way
        out (c), a              ; to the ULA screen drawn below
        ld a, 1
        out ($fe), a            ; blue border

; A diagonal line from (0,0) to (191,191). PIXELAD gives in HL the screen
; address of the pixel at x = E, y = D; SETAE gives in A the bit of pixel
; x within its byte.
        ld de, 0
        ld b, 192
diag:   pixelad
        setae
        or (hl)
        ld (hl), a
        inc d                   ; one line down
        inc e                   ; one pixel right
        djnz diag

; A vertical line at x = 128: the address once, then PIXELDN moves HL one
; pixel line down, across character rows and screen thirds.
        ld de, $0080            ; y = 0, x = 128
        pixelad
        setae
        ld c, a                 ; keep the pixel's bit
        ld b, 192
vert:   ld a, c
        or (hl)
        ld (hl), a
        pixeldn
        djnz vert

; Attribute rows: row n gets paper colour n mod 8 and white ink. MUL D,E
; multiplies the two registers into DE: the paper colour times 8.
        ld hl, $5800
        ld c, 0                 ; row number
rows:   ld a, c
        and 7
        ld d, a
        ld e, 8
        mul d, e                ; DE := paper colour * 8
        ld a, e
        or 7                    ; white ink
        ld b, 32
fill:   ld (hl), a
        inc hl
        djnz fill
        inc c
        ld a, c
        cp 24
        jr nz, rows
stay:   jr stay                 ; done: the picture stays

        OUTPUT_BIN "stripes.bin", start, $ - start
; The NEX file: stack at $FF00, start at start; a layer 2 loading screen from
; an 8-bit indexed picture (its palette goes with it), with a loading bar in
; colour 2.
        OUTPUT_NEX "stripes.nex", $FF00, start
        OUTPUT_NEX_SCREEN "stripes.nex", "title.png", 1, 2
