; Twelve bytes packed into a block at the default stub $5B00; the label after
; the directive follows the planted block.
        ORG $8000
begin:  DB "ABCDEFABCDEF"
finish:
        VELDCOMPRESS begin, finish, begin
packed_end:
        VELDPRINT "block ends at ", packed_end
        OUTPUT_BIN "block.bin", $5B00, packed_end - $5B00
        OUTPUT_BIN "range.bin", begin, finish - begin
