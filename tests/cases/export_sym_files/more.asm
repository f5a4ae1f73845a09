; more labels
later:  nop
