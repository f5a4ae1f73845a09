; powers.asm - a CP/M program: prints the powers of two from 1 to 32768,
; right-aligned, through the BDOS, then returns to the command processor.
;
;   ./build.sh       makes a blank drive.img with cpmtools and assembles this:
;                    POWERS.COM is written into drive A: of drive.img
;   cpmls -f veld drive.img            lists it (with the diskdefs beside)

        EMULATE_SPECTRUM "CPM"
Veld_cpm_drives = "drive.img"   ; the virtual drive: the default geometry

BDOS    = 5                     ; the BDOS entry; C chooses the function
PRINTCH = 2                     ; print the character in E
PRINTS  = 9                     ; print the text at DE, ended by "$"

        ORG $100                ; every .COM file runs at $100
start:  ld de, title
        ld c, PRINTS
        call BDOS
        ld hl, 1
        ld b, 16
power:  push bc                 ; the BDOS keeps no registers
        push hl
        call decimal
        ld de, newline
        ld c, PRINTS
        call BDOS
        pop hl
        add hl, hl              ; the next power
        pop bc
        djnz power
        ret                     ; back to the command processor

; decimal: HL in five columns, leading zeros as spaces.
decimal:
        ld ix, tens
        xor a
        ld (seen), a            ; no digit other than 0 printed yet
digit:  ld e, (ix + 0)
        ld d, (ix + 1)
        ld b, "0" - 1
count:  inc b                   ; subtract this power of ten while it goes
        or a
        sbc hl, de
        jr nc, count
        add hl, de              ; one subtraction too many
        ld a, b
        cp "0"
        jr nz, nonzero
        ld a, (seen)            ; a 0: printed once a digit other than 0
        or a                    ; was, or when it is the last digit
        jr nz, show
        dec e                   ; (E is 1 only for the power of ten 1)
        jr z, show
        ld b, " "
        jr show
nonzero:
        ld (seen), a
show:   push hl
        ld e, b
        ld c, PRINTCH
        call BDOS
        pop hl
        inc ix
        inc ix
        ld a, (ix - 2)
        dec a
        jr nz, digit            ; until the power of ten 1 is done
        ret

tens:   DW 10000, 1000, 100, 10, 1
title:  DB "Powers of two, from Veld:", 13, 10, "$"
newline: DB 13, 10, "$"
        DB [seen] 0             ; set once a digit other than 0 is printed

        OUTPUT_CPM "A:POWERS.COM", start, $ - start
