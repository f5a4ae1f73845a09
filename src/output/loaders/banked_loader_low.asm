; A variant of the mode 3/4 loader; the build's table of it comes from
; scripts/gen_tape_loaders.py.
FIT         EQU 0
TURBO       EQU 0
RUN         EQU $7F00
            INCLUDE "banked_loader.asm"
            OUTPUT_BIN "banked_loader_low.bin", 23760, MAIN_AT+main_end-main
BODY        EQU -main+MAIN_AT+1         ; body offset of an instruction's operand
            OUTPUT_TEXT "banked_loader_low.txt", "colour0 ", TOSTR(p_col0+BODY)
            OUTPUT_TEXT "banked_loader_low.txt", "mask01 ", TOSTR(p_mask01+BODY)
            OUTPUT_TEXT "banked_loader_low.txt", "colour2 ", TOSTR(p_col2+BODY)
            OUTPUT_TEXT "banked_loader_low.txt", "mask23 ", TOSTR(p_mask23+BODY)
            OUTPUT_TEXT "banked_loader_low.txt", "colour4 ", TOSTR(p_col4+BODY)
            OUTPUT_TEXT "banked_loader_low.txt", "colour5 ", TOSTR(p_col5+BODY)
