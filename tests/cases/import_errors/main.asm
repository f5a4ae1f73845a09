  org $8000
  import_bin 5
  import_bin "missing.bin"
  import_bin "empty.bin"
  import_bin "ten.bin", $9000, 4, 10
  import_bin "ten.bin", $9000, 4, -1
  import_bin "ten.bin", $9000, -1
  import_bin "sub"
  import_comparison "ten.bin"
  import_hex "missing.hex"
  import_hex "ten.bin", $9000, -1
  import_hex "nul.hex", $9000
  import_cpm "A:X.COM"
  import_bin "ten.bin" junk
here:
  output_bin "a.bin", $8000, 4
  output_bin "b.bin", $9000, 4
