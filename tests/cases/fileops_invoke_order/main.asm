; Commands run after every file is written, in source order, even when they
; come first; a folder argument sets the working folder; a command that
; fails is reported with its output and the rest still run.
        VELDINVOKE "od -An -tx1 out.bin > seen.txt; echo first >> order.txt"
        VELDINVOKE "echo second >> ../order.txt", "sub\\"
        VELDINVOKE "echo to the pipe; echo to stderr >&2; exit 3"
        VELDINVOKE "sleep 2; echo late > late.txt", "", 0
        VELDINVOKE "echo not shown; echo third >> order.txt", "", 1
        VELDINVOKE "true", "no\\such\\folder"
        VELDINVOKE "kill -9 $$"
        VELDINVOKE "ls /proc/self/fd > fds.txt"
        ORG $8000
        DB $C3, $00, $80
        OUTPUT_BIN "out.bin", $8000, 3
