total = 0
    REPT 1000000000
total = total + 1
    MEND
