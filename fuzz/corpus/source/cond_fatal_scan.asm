; A false IF whose ENDIF never comes: the scan reaches the end of the source,
; the error is reported at the IF and the run is aborted.
        ORG $8000
        DB 1
        IF 0
        DB 2
        OUTPUT_BIN "out.bin", $8000, 2
