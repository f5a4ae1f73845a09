; Symbol files as saved: the default layout, a sorted label file with one
; name per address, and the unreferenced-label section; no file without a name.
        ORG $8000
Start:  jp Main
Main:   ld hl,Table
@next:  jr @next
Table:  DB 1, 2
Alias1  EQU Table
count = 3
        INCLUDE "more.asm"
        EXPORT_SYM "out\\default.sym", $80
        EXPORT_SYM "out\\labels.sym", $C000
        EXPORT_SYM "out\\unref.sym", $100020
        EXPORT_SYM "", $80
