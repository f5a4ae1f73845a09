; Inside a structure definition nothing may be planted; PC is unchanged.
        ORG $8000
rec     STRUCT
        DB 0
field:  DW 1
        SEND
        VELDASSERT field = 0
