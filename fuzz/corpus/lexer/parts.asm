 ORG $8000
start: INCLUDE "inc.asm"
 IMPORT_BIN "data.bin", 0, 4
 OUTPUT_BIN "out.bin", $8000, 16
%%
 LOOP 3, i
 DB i
 LEND
%%
ABCDEFGH
