; Directive operands the expand routine cannot honour.
        ORG $8000
begin:  DS 16, 1
finish:
        VELDCOMPRESS finish, begin, begin
        VELDCOMPRESS begin, $10001, begin
        VELDCOMPRESS begin, finish, $10000
        VELDCOMPRESS begin, finish, begin, -1
        VELDCOMPRESS begin, finish
        VELDCOMPRESS begin, finish, begin, "stub"
