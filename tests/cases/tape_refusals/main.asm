; Tapes that cannot be made as asked: the error names the reason, the file
; keeps the blocks made before it, and the run fails.
        ORG $8000
        DS $8000, 1
        ; a banked block in the ROM area
        OUTPUT_TAP "rom.tap", "r", "", $8000, 1, 3, $8000, $10001, $0000, 16
        ; no free 256 bytes for the banked loader in a 48K machine
        OUTPUT_TAP "full.tap", "f", "", $8000, $8000, 3
        ; loading-screen code that would lie on the screen itself
        OUTPUT_TAP "scr.tap", "s", "", $4000, 16, 1
        ; a colour digit above 7: reported, its low three bits used
        OUTPUT_TAP "col.tap", "c", "", $8000, 2, 1, $8000, $10009
        ; an unknown mode
        OUTPUT_TAP "mode.tap", "m", "", $8000, 2, 5
