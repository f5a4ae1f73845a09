; Loader of tape mode 1: loads the loading screen and the code from one
; block at standard speed, drawing the screen row by row while the code loads.
;
; It runs from the REM line of the BASIC loader (RANDOMIZE USR 23760). With
; FIT = 1 (the code lies between 23774 and $FD00) it first copies itself to
; $FD00, above the code and out of contended memory, and runs there with its
; stack at the top of memory. With FIT = 0 it runs where it lands, in
; contended memory, with its stack in its own REM line; its bit threshold
; leaves room for the slower sampling there.
;
; The block is a stream of records:
;   screen record  address (below LIMIT), then 32 times: N code bytes (stored
;                  at the code pointer) and one screen byte (stored at the
;                  address onwards), then the XOR of the record
;   code record    address (LIMIT or above), 32 code bytes, XOR
;   end record     0, 0, execute address high and low byte, XOR
; Code bytes past COUNT are read and dropped, so a short program with a full
; screen never writes beyond its end.
;
; Registers while loading: HL record pointer, IX code pointer, DE code bytes
; still to store, B column counter, C code bytes before the next screen byte.
; The tape routines work in the alternate set: B' sample counter, C' edge
; state (bit 6 = EAR level, bits 0-2 = border colour), L' byte being read,
; H' XOR of the record so far.

RUNFIT      EQU $FD00       ; where the FIT variant runs
DELAY       EQU 6           ; DEC A steps before sampling for an edge
BIT_START   EQU $A0         ; sample counter at the start of a bit
BIT_FIRST   EQU $A3         ; ... of a byte's first bit (time spent storing)
            IF FIT
BIT_ONE     EQU BIT_START+50 ; more samples than this: a one bit (2600 T)
            ELSE
BIT_ONE     EQU BIT_START+38 ; contention slows the sampling down (2100 T)
            ENDIF
LEAD_START  EQU $80         ; a pilot cycle must take more than
LEAD_MIN    EQU LEAD_START+40 ; 40 samples (2200 T)
SYNC_START  EQU $C0         ; a half period of fewer than 20 samples
SYNC_MAX    EQU SYNC_START+20 ; is the first sync pulse

            IF FIT
            ORG 23760
stub:       DI
            LD HL,main_copy
            LD DE,RUNFIT
            LD BC,main_end-main
            LDIR
            JP RUNFIT
main_copy:
            ORG RUNFIT, main_copy-RUNFIT
MAIN_AT     EQU main_copy-23760     ; where main lies in the body
            ELSE
            ORG 23760
MAIN_AT     EQU 0
stack_top   EQU 23760+260           ; the end of the body in the REM line
            ENDIF

main:       DI
            IF FIT
            LD SP,0
            ELSE
            LD SP,stack_top
            ENDIF
p_col4:     LD A,0                  ; border while waiting for the tape
            OUT ($FE),A
            LD HL,$4000             ; clear the screen: rows that are not
            LD DE,$4001             ; sent stay empty
            LD BC,$1AFF
            LD (HL),L
            LDIR
p_base:     LD IX,0                 ; the code pointer
p_count:    LD DE,0                 ; code bytes to store
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
            OR L
            JR Z,finish
            LD A,H
p_limit:    CP $5B
            JR NC,code_rec
            LD B,32
scr_col:
p_n:        LD C,1
scr_code:   LD A,D
            OR E
            JR Z,scr_drop
            DEC DE
            CALL get_byte
            LD (IX+0),A
            INC IX
            JR scr_next
scr_drop:   CALL get_byte
scr_next:   DEC C
            JR NZ,scr_code
            CALL get_byte
            LD (HL),A
            INC HL
            DJNZ scr_col
            JR check
code_rec:   LD B,32
code_byte:  CALL get_byte
            LD (HL),A
            INC HL
            DJNZ code_byte
check:      CALL get_byte           ; the record's XOR
            EXX
            LD A,H
            EXX
            OR A
            JR Z,record
fail:       LD IY,$5C3A             ; "R Tape loading error"
            IM 1
            EI
            RST 8
            NOFLOW
            DB $1A

finish:     CALL get_byte           ; execute address, high byte first
            LD H,A
            CALL get_byte
            LD L,A
            CALL get_byte
            EXX
            LD A,H
            EXX
            OR A
            JR NZ,fail
p_col5:     LD A,0                  ; border once loaded
            OUT ($FE),A
            IF FIT
            EI                      ; the system variables are intact
            ENDIF
            JP (HL)

            INCLUDE "tape_routines.asm"
main_end:
