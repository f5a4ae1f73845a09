; A block planted inside its own range, with the border routine; the byte
; after the directive lands right after the planted block.
        ORG $8000
begin:
        DB "ABCDEFGH", "ABCDEFGH", "ABCDEFGH", "ABCDEFGH", "ABCDEFGH"
finish:
        VELDCOMPRESS begin, finish, begin, begin + 16, 1
tail:   DB $99
        OUTPUT_BIN "packed.bin", begin, tail + 1 - begin
