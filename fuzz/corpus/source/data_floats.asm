; DF: Spectrum 5-byte floats by default, IEEE singles with zoSpectrumFloats = 0.
        ORG $8000
        DF 1                ; small integer: 00 00 01 00 00
        DF -1               ; 00 FF FF FF 00
        DF 0.5              ; 0.5 * 2^0: 80 00 00 00 00
        DF 65535, -65536    ; 00 00 FF FF 00, then 0.5 * 2^17 negative: 91 80 00 00 00
        DF 0.75             ; 80, bits after the leading 1: 40 00 00 00
        DF -1.5             ; 0.75 * 2^1: 81 C0 00 00 00
        DF 2.0              ; a float stays floating: 82 00 00 00 00
        DF 100000           ; 100000 * 2^15 = $C3500000: 91 43 50 00 00
        DF "A"              ; the code 65: 00 00 41 00 00
zoSpectrumFloats = 0
        DF 1, 0.5, -2.5     ; $3F800000, $3F000000, $C0200000 low byte first
        DF 65536            ; 2^16: exponent 127 + 16: $47800000
        OUTPUT_BIN "out.bin", $8000, 66
