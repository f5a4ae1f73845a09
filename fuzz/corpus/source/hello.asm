; hello.asm - prints a greeting on a ZX Spectrum 48K through the ROM's
; character printer (RST $10), then returns to BASIC.
;
;   qas hello.asm      writes hello.bin (load at 32768) and hello.hex

        EMULATE_SPECTRUM "48K"
        ORG $8000

start:  ld a,2                  ; open channel 2, the upper screen
        call $1601
        ld hl,message
print:  ld a,(hl)
        or a
        ret z
        rst $10
        inc hl
        jr print

message:
        db "Hello from Veld!", 13, 0
size    EQU $ - start

        OUTPUT_BIN "hello.bin", start, size
        OUTPUT_INTEL "hello.hex", start, size
