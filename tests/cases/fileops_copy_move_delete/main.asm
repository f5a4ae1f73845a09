; Copy, move and delete after the files are written. A destination that
; exists is never replaced; each failure is one line and the rest goes on.
        ORG $8000
        DB 1, 2, 3
        OUTPUT_BIN "game.bin", $8000, 3
        VELDCOPYFILE ".\\game.bin", ".\\copy.bin"
        VELDCOPYFILE ".\\game.bin", "dist\\game.bin"
        VELDCOPYFILE ".\\missing.bin", ".\\other.bin"
        VELDCOPYFILE ".\\dist", ".\\dist2"
        VELDMOVEFILE ".\\notes.txt", "dist\\notes.txt"
        VELDMOVEFILE ".\\keep.txt", "dist\\game.bin"
        VELDMOVEFILE ".\\nothing.txt", "dist\\nothing.txt"
        VELDDELETEFILE ".\\scratch.tmp"
        VELDDELETEFILE ".\\scratch.tmp"
        VELDDELETEFILE ".\\dist"
