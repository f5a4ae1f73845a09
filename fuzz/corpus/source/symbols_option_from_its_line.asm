; An option assignment holds from its line to the end of the pass.
        NOP
early
zoAllowFloatingLabels = 1
late
        DB 017
zoWarnLeadingZero = false
        DB 017
