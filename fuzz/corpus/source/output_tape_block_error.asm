; Blocks may only be added to a multi-block tape (mode 3 or 4); the check is
; made in the final pass.
        ORG $8000
        DB 1
        OUTPUT_TAP "t.tap", "t", "", $8000, 1
        OUTPUT_TAP_BLOCK "t.tap", $8000, 1
        OUTPUT_TZX_BLOCK "none.tzx", $8000, 1
        OUTPUT_TZX "m.tzx", "m", "", $8000, 1, 3, $8000, 1
        OUTPUT_TZX_BLOCK "m.tzx", $9000, 1, $A000, 2
