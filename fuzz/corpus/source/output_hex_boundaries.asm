; Intel HEX and S-records around the 64K boundary.
        ORG $FFF8
        DB 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15
        OUTPUT_INTEL "cross.hex", $FFF8, 16
        OUTPUT_INTEL "edge.hex", $FFF8, 8
        OUTPUT_INTEL "empty.hex", $8000, 0
        OUTPUT_SREC "s1.s19", $FFFF, 1
        OUTPUT_MOTOROLA "s2.s28", $FFFF, 2
        OUTPUT_SREC "empty.s19", $8000, 0
