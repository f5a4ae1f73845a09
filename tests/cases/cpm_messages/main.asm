Veld_cpm_drives = "short.img"
  org 0
  db 1, 2, 3
  output_cpm "A:OK.COM", 0, 3     ; the drive file is shorter than drive A:'s directory
  output_cpm "A:BAD*.COM", 0, 3   ; "*" is no name character
  output_cpm "Z:X.COM", 0, 3      ; beyond the 8 disks of the drive file
Veld_cpm_user = 16
  output_cpm "A:U16.COM", 0, 3    ; user areas are 0..15
