" Writes the file type, then per line a letter for the syntax group of each
" byte (as the editor grammars test names kinds; '?' for a group it does not
" know), to $OUT.
set nocompatible
let &runtimepath = $RUNTIME . ',' . &runtimepath
filetype on
syntax on
execute 'edit' fnameescape($TEXT)
let s:letters = {'': 's', 'drovanComment': 'c', 'drovanKeyword': 'k', 'drovanSetting': 'k',
      \ 'drovanColourSet': 'k', 'drovanNumber': 'N', 'drovanColour': 'C', 'drovanOperator': 'o',
      \ 'drovanError': 'x'}
let s:out = [&filetype]
for s:l in range(1, line('$'))
  let s:kinds = ''
  for s:c in range(1, strlen(getline(s:l)))
    let s:kinds .= get(s:letters, synIDattr(synID(s:l, s:c, 1), 'name'), '?')
  endfor
  call add(s:out, s:kinds)
endfor
call writefile(s:out, $OUT)
qall!
