; VELDOVERRIDE as the last statement decides the counts of the pass.
x       EQU 1
x       EQU 2
        VELDASSERT 0, "still shown"
        DB 017
zoWarnLeadingZero = 0
        DB 017
        VELDOVERRIDE 0, 0, 0
