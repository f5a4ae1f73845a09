; Run from the folder above: the names are not found as given, so they are
; looked up beside the main source, with "\" read as "/".
  org $8000
  import_bin "data/three.bin"
  import_hex "data\\two.hex", $8000
  output_bin "out.bin", $8000, 3
