; One faulty data statement per line.
        ORG $8000
        DB
        DB 1,
        DF 0.0
        DBL DS 256
        DH "0G"
        DG XXXXXXXXX
        DBX $55
        STRUCT
        DB 0
        SEND
        SEGMENT s = $9000, 4
        SEGMENT s
        DS 5
        DS 2, 256
        DH ""
