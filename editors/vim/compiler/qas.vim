" Vim compiler file for the Veld Z80 assembler: `:compiler qas`, then `:make`
" assembles the current file and fills the quickfix list from its errors and
" warnings. A line number is right-aligned in five places ("f.asm:   42  :
" error: ..."); a warning's continuation at line 0 and the other console
" lines are left out.
if exists('current_compiler')
  finish
endif
let current_compiler = 'qas'

let s:efm = '%-G%f:%\s%#0  : %m,%f:%\s%#%l  : %trror: %m,%f:%\s%#%l  : %tarning: %m,%f:%\s%#%l  : %m,%-G%.%#'
execute 'CompilerSet errorformat=' . escape(s:efm, ' \|"')
CompilerSet makeprg=qas\ %:S
