; A line whose statement meets a second error after the first still gives up
; the rest of the line, and the next line is assembled as usual.
        ORG $8000
        VELDERROR "first" ]
        DB nope ]
        RET [lb]5,de
start:  NOP
@loop:  DJNZ @loop
@next:  JR @loop
        OUTPUT_BIN "out.bin", start, $ - start
