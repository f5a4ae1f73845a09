; CP/M machines have no SNA layout: the write-out says so and the run fails,
; but an SZX snapshot (a 48K machine) and the other files are written.
        EMULATE_SPECTRUM "CPM"
        ORG $100
        DB 1
        OUTPUT_SNA "cpm.sna"
        OUTPUT_BIN "after.bin", $100, 1
