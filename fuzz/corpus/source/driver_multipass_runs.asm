; Three whole runs; MULTIPASS as an operand is the run counter, so each run
; writes the file again and the last run's byte stays.
        MULTIPASS 3
        ORG $8000
start:  DB MULTIPASS
        OUTPUT_BIN "out.bin", start, 1
