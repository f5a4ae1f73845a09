; A 128K Z80 snapshot: the version 2 header with its fixed registers, the
; extended header with PC, then pages 3 to 10 holding banks 0 to 7. Bank 0
; starts with $ED (a block of one), bank 3 ends with 7 (a single byte after
; the zero blocks).
        EMULATE_SPECTRUM "128K"
        ORG $C000
        DB $ED
        ORG $1C000 + $3FFF
        DB 7
        OUTPUT_Z80 "pages.z80", $FF46, $C000
