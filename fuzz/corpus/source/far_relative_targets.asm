; Relative jumps to targets at the 32-bit limit are range errors.
        ORG $8000
        JR -$7FFFFFFF
        DJNZ -$7FFFFFFF
        JR NZ,$7FFFFFFF
