  org $100
  db $C9
  output_cpm "A:X.COM", $100, 1   ; no Veld_cpm_drives: nothing to write into
