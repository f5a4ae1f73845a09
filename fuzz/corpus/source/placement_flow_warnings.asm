; Data after code that runs on into it warns; a jump, ORG to the same
; address, and a call to a routine declared by VELDDATAFOLLOWS do not.
        ORG $8000
        VELDDATAFOLLOWS printer
        LD A,B
        ORG $8001           ; same address: no warning
        DB 1                ; warns: LD still flows into it
        CALL printer
        DB "text", 0        ; the call does not return here
        RST $10
        DB 2                ; RST $10 is not a data-follows routine: warns
        LD A,B
        ORG $9000           ; moving away after code warns
        CALL other
        DB 3                ; warns
printer: RET
other:  RET
        ALIGN 16            ; RET does not flow
        OUTPUT_BIN "out.bin", $8000, 12
