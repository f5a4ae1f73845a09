; A 48K Z80 snapshot of RAM holding nothing but zeros: the fixed registers of
; the version 1 header, then 49152 zeros as 192 blocks of 255 and one of 192,
; then the end marker.
        OUTPUT_Z80 "zero.z80", $FF40, $8000
