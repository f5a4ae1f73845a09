    MULTIPASS 1000000000
    org 0
    nop
