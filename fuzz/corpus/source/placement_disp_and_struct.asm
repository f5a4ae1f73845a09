; DISP: code assembled for $8000 is stored at $C000. STRUCT: labels inside
; are offsets from 0 and DS only advances them.
        ORG $8000
        DISP $4000
here:   JP here
        DISP 0
after:  NOP
point   STRUCT
px:     DS 2
py:     DS 4
size:
        SEND
        VELDASSERT (px = 0) & (py = 2) & (size = 6) & (point = $8004)
        VELDASSERT after = $8003
        OUTPUT_BIN "moved.bin", $C000, 3
        OUTPUT_BIN "home.bin", $8000, 4
