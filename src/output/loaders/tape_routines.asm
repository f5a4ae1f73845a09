; The tape routines the loaders share. They work in the alternate register
; set: B' counts samples, C' holds the edge state (bit 6 = EAR level, bits
; 0-2 = border colour), L' the byte being read, H' the XOR of the bytes read
; since the caller cleared it. The including loader defines the timing
; constants and `fail`.
;
; Timing, in T-states: one sample takes 43; from an edge seen to the first
; sample for the next edge of the same bit 195, to the next bit 272; so a
; bit of T T-states gives about (T - 467) / 43 + 2 samples.

; find_block: waits for 256 pilot cycles, then for the short first sync
; pulse and the end of the second; then switches the border to the data
; stripes. Called and returning in the main set.
find_block: EXX
fb_leader:  LD H,0
fb_next:
t_lead:     LD B,LEAD_START
            CALL edge2
            JR NC,fb_leader
t_leadmin:  LD A,LEAD_MIN
            CP B
            JR NC,fb_leader         ; too short for a pilot cycle
            INC H
            JR NZ,fb_next
fb_sync:
t_sync:     LD B,SYNC_START
            CALL edge1
            JR NC,fb_leader
            LD A,B
t_syncmax:  CP SYNC_MAX
            JR NC,fb_sync           ; still the pilot tone
            CALL edge1              ; the end of the second sync pulse
            JR NC,fb_leader
p_mask23:   LD A,$F8                ; stripes of the data
            LD (edge_mask+1),A
            LD A,C
            AND $40
p_col2:     OR 0
            LD C,A
            EXX
            RET

; Reads one byte into A (main set in and out); fails on a time-out.
get_byte:   EXX
            LD L,1                  ; marker bit: the byte is done when it leaves
t_first:    LD B,BIT_FIRST
            JR gb_go
gb_bit:
t_bit:      LD B,BIT_START
gb_go:      CALL edge2
            JP NC,fail
t_one:      LD A,BIT_ONE
            CP B
            RL L
            JR NC,gb_bit
            LD A,H
            XOR L
            LD H,A
            LD A,L
            EXX
            RET

; edge2 waits for two edges, edge1 for one. B' counts the samples and gives
; carry clear when it wraps to zero (no edge). Every edge flips the border
; between the two stripe colours.
edge2:      CALL edge1
            RET NC
edge1:      LD A,DELAY
edge_delay: DEC A
            JR NZ,edge_delay
edge_sample: INC B
            RET Z
            IN A,($FE)
            XOR C
            AND $40
            JR Z,edge_sample
            LD A,C
edge_mask:  XOR $F8
            LD C,A
            AND 7
            OR 8
            OUT ($FE),A
            SCF
            RET
