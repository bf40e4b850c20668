" Drovan rules files: *.drovan, and the scenarios in a "Rules & Scenarios"
" folder (its meta*a.txt files are patterns, in another format).
autocmd BufRead,BufNewFile *.drovan setfiletype drovan
autocmd BufRead,BufNewFile */Rules\ &\ Scenarios/*.txt
      \ if expand('<afile>:t') !~# '^meta\d\+a\.txt$' | set filetype=drovan | endif
