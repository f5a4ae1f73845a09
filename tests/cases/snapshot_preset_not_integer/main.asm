; Register presets are integers; a float or a string gives the integer it
; stores (0), and a warning says so at the symbol's line.
Veld_HL = 3.7
Veld_DE = "ab"
Veld_BC = 5
        OUTPUT_Z80 "p.z80", $FF40, $8000
