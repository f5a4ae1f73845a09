; The planted block would run past $FFFF: one error against the directive
; that is carried out, and no file of the failed run is written.
        ORG $8000
begin:  DB "ABCDEFABCDEF"
finish:
        VELDCOMPRESS begin, finish, begin, $FFB0
        VELDCOMPRESS begin, finish, begin, $FFC0
        OUTPUT_BIN "top.bin", $FFC0, 64
        OUTPUT_BIN "range.bin", begin, finish - begin
