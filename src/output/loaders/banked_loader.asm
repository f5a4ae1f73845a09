; Loader of tape modes 3 and 4: loads a stream of records at standard speed
; into the 48K view or any 128K bank, drawing the loading screen as its rows
; arrive between the code pieces; with TURBO (mode 4) it then loads a second
; block at the speed of the zx_custom* symbols.
;
; The body runs from the REM line only to copy itself to its place, a free
; 256-byte area (RUN here; the writer moves it by adding the place's
; distance from RUN to every address word, found by assembling at two
; places), with its stack at the top of that area.
;
; Stream records: address as seen in its paging window, bank to page at
; $C000, count (0 = 256), the bytes, XOR of the record. The end: the entry
; point, its bank with bit 7 set, 0.
; Turbo records (mode 4): parameter byte ($80 + bank), address, 16-bit count,
; the bytes, XOR of the record, then PAD bytes of padding; the end: $FF.

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

            IF TURBO
; The second block, read by the same tape routines at the speed of the
; patched timing table. This part stays in the REM line (the writer keeps
; the code away from it); only the tape routines must run uncontended.
turbo:      LD HL,p_timing
            LD A,(HL)
            LD (t_lead+1),A
            INC HL
            LD A,(HL)
            LD (t_leadmin+1),A
            INC HL
            LD A,(HL)
            LD (t_sync+1),A
            INC HL
            LD A,(HL)
            LD (t_syncmax+1),A
            INC HL
            LD A,(HL)
            LD (t_first+1),A
            INC HL
            LD A,(HL)
            LD (t_bit+1),A
            INC HL
            LD A,(HL)
            LD (t_one+1),A
            CALL find_block
t_rec:      EXX
            LD H,0
            EXX
            CALL get_byte           ; parameter byte
            CP $FF
            RET Z
            CALL page
            CALL get_byte
            LD L,A
            CALL get_byte
            LD H,A
            CALL get_byte
            LD E,A
            CALL get_byte
            LD D,A
t_byte:     CALL get_byte
            LD (HL),A
            INC HL
            DEC DE
            LD A,D
            OR E
            JR NZ,t_byte
            CALL check
p_pad:      LD A,0                  ; padding bytes after each record
            OR A
            JR Z,t_rec
            LD B,A
t_pad:      CALL get_byte
            DJNZ t_pad
            JR t_rec
p_timing:   DS 7                    ; lead, lead min, sync, sync max, first bit, bit, one
            ENDIF
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
            IF TURBO
            PUSH AF
            CALL turbo
            POP AF
            ENDIF
            CALL page
p_col5:     LD A,0                  ; border once loaded
            OUT ($FE),A
            IF FIT
            EI                      ; the system variables are intact
            ENDIF
            RET

            INCLUDE "tape_routines.asm"
main_end:
