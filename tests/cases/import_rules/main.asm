; The slice rule, stable labels and the relocation of hex records.
  org $8000
  jp after                          ; a forward reference across the import
  import_bin "ten.bin"              ; planted at PC
after:
  import_bin "ten.bin", $9000, 4, 8 ; length 4 from offset 8: 2 bytes, PC stays
  import_bin "ten.bin", $9010, 100  ; length above the size: the whole file
  import_bin "ten.bin", $9020, 3, 0
  import_hex "reloc.hex", $C000     ; $8000 -> $C000, $8010 -> $C010
  import_hex "type4.hex", $A000     ; the first data record ($10000) -> $A000
  import_hex "mixed.hex", $B000, 2  ; S1 and ":" lines; a blank-led line is skipped
  import_hex "mixed.hex", $B014, 100, -$10 ; the extra offset moves it back
  import_comparison "ten.bin", $9100 ; beside the image: nothing planted
  output_bin "code.bin", $8000, 14
  output_bin "bin.bin", $9000, $24
  output_bin "type4.bin", $A000, 4
  output_bin "reloc.bin", $C000, $20
  output_bin "mixed.bin", $B000, 8
  output_bin "cmp.bin", $9100, 2
