; VELDASSERT: the message is the whole error text; without one the text is
; "Assertion failed!"; a true assertion evaluates its message and says nothing.
        VELDASSERT 1 = 2, "bad"
        VELDASSERT 0
        VELDASSERT 1, "never" + " shown"
        VELDASSERT veldver = 76
