; EMULATE_SPECTRUM: the last name wins and sets zoSupportNext and
; zoSpectrumFloats; an unknown name selects the 48K model without complaint.
        VELDASSERT zoSupportNext = 0, "default"
        EMULATE_SPECTRUM "128K", "next"
        VELDASSERT (zoSupportNext = 1) & (zoSpectrumFloats = 1), "next"
        EMULATE_SPECTRUM "CP/M"
        VELDASSERT (zoSupportNext = 0) & (zoSpectrumFloats = 0), "cpm"
        EMULATE_SPECTRUM "XYZ"
        VELDASSERT (zoSupportNext = 0) & (zoSpectrumFloats = 1), "xyz"
