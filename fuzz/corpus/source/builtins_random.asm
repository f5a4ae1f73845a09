; Random numbers: every pass starts the generator from the same run seed, so
; a constant defined from VELDRAND keeps its value from pass to pass; after
; VELDRAND 4357 the sequence is the generator's reference one.
unseeded EQU VELDRAND
later    EQU after + VELDRAND
        ORG $8000
        VELDRAND 4357
        DL VELDRAND, VELDRAND
seeded  EQU VELDRAND
        DL seeded
after:
        OUTPUT_BIN "out.bin", $8000, after - $8000
