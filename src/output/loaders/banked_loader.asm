; Loader of tape mode 3: loads a stream of records at standard speed into
; the 48K view or any 128K bank, drawing the loading screen as its rows
; arrive between the code pieces.
;
; The body runs from the REM line only to copy itself to its place, a free
; 256-byte area (RUN here; the writer moves it by adding the place's
; distance from RUN to every address word, found by assembling at two
; places), with its stack at the top of that area.
;
; Stream records: address as seen in its paging window, bank to page at
; $C000, count (0 = 256), the bytes, XOR of the record. The end: the entry
; point, its bank with bit 7 set, 0.

DELAY       EQU 6
BIT_START   EQU $A0
BIT_FIRST   EQU $A3
BIT_ONE     EQU BIT_START+50    ; 2600 T: between a zero and a one bit
LEAD_START  EQU $80
LEAD_MIN    EQU LEAD_START+40
SYNC_START  EQU $C0
SYNC_MAX    EQU SYNC_START+20

            ORG 23760
stub:       DI
            LD HL,main_copy
            LD DE,RUN
            LD BC,main_end-main
            LDIR
            JP RUN
main_copy:
            ORG RUN, main_copy-RUN
MAIN_AT     EQU main_copy-23760

main:       LD SP,RUN+256
p_col4:     LD A,0                  ; border while waiting for the tape
            OUT ($FE),A
            LD HL,$4000             ; clear the screen: zero bytes are not sent
            LD DE,$4001
            LD BC,$1AFF
            LD (HL),L
            LDIR
            EXX
p_col0:     LD C,0                  ; pilot colour and the EAR level now
            IN A,($FE)
            AND $40
            OR C
            LD C,A
p_mask01:   LD A,$F8
            LD (edge_mask+1),A
            EXX
            CALL find_block

record:     EXX
            LD H,0
            EXX
            CALL get_byte
            LD L,A
            CALL get_byte
            LD H,A
            CALL get_byte           ; the bank
            BIT 7,A
            JR NZ,finish
            CALL page
            CALL get_byte           ; the count
            LD B,A
rec_byte:   CALL get_byte
            LD (HL),A
            INC HL
            DJNZ rec_byte
            CALL check
            JR record

; The XOR of a record, read last, leaves H' zero.
check:      CALL get_byte
            EXX
            LD A,H
            EXX
            OR A
            RET Z
fail:       LD IY,$5C3A             ; "R Tape loading error"
            IM 1
            EI
            RST 8
            NOFLOW
            DB $1A

; Pages bank A (bits 0-2) at $C000 with the 48K BASIC ROM.
page:       AND 7
            OR $10
            LD BC,$7FFD
            OUT (C),A
            RET

finish:     PUSH HL                 ; the entry point, reached by RET
            CALL page
p_col5:     LD A,0                  ; border once loaded
            OUT ($FE),A
            IF FIT
            EI                      ; the system variables are intact
            ENDIF
            RET

            INCLUDE "tape_routines.asm"
main_end:
