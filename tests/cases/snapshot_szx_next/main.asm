; The Next model's SZX snapshot is a 48K machine (identifier 1) holding banks
; 5, 2 and 0 as the 64K view shows them; the registers come from the presets
; (A wins over AF), the $7FFD port is 0 when not preset.
        EMULATE_SPECTRUM "NEXT"
Veld_AF = $1234
Veld_A = $99
Veld_BC = $5678
VELD_DE = $9ABC
veldhl = $DEF0
VeldEmulate_AltAF = $1111
Veld_AltBC = $3333
Veld_AltDE = $4444
Veld_AltHL = $5555
Veld_IX = $2222
Veld_IY = $5C3A
Veld_I = $3F
Veld_R = $55
Veld_IM = 2
Veld_MEMPTR = $4321
        ORG $8000
        DB 1, 2, 3
        ORG $40000 + 20 * $2000         ; page 20: not part of the 64K view
        DB $77
        OUTPUT_SZX "next.szx", $FF00, $8000
