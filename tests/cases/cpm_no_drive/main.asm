  org 0
  db 1
  output_cpm "A:X.COM", 0, 1      ; no Veld_cpm_drives: nothing to write into
Veld_cpm_drives = "sub"
  import_cpm "A:X.COM"            ; a folder is no drive file
Veld_cpm_drives = 5
  import_cpm "A:X.COM"            ; a number is no drive file name
