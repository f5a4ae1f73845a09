; DH: pairs of hex digits; ".." is the transparency byte (VeldSetDHTrans of the
; procedure, else the global one, else $E3), xx/XX/zz/ZZ are zeros, spaces
; are skipped.
        ORG $8000
        DH "0aFF.. xx"                  ; 0A FF E3 00
        DH "12", "ZZzz", "a b"          ; 12 00 00 AB
p1:     PROC
VeldSetDHTrans = 7                      ; p1.VeldSetDHTrans
        DH ".."                         ; 07
        PEND
        DH ".."                         ; E3 again outside p1
        OUTPUT_BIN "out.bin", $8000, 10
