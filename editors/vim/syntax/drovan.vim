" Vim syntax file
" Language:   Drovan rules (the rules files of the Drovan simulation)
" Maintainer: the Drovan project
" Install:    copy syntax/ and ftdetect/ into ~/.vim (or add this folder to 'runtimepath')

if exists("b:current_syntax")
  finish
endif

syn case match
" Keywords are whole words of letters, digits and "_" (edge_constraint is one word).
syn iskeyword @,48-57,_

" Any word that is not a keyword names a colour; keywords take precedence.
syn match   drovanColour    "\h\w*"
syn keyword drovanSetting   render atoms nodes atom_aggregates edges directed_edges discover_edges closed_world colored_edges anneal inertia speed node_creation_rate fix_node_collisions edge_constraint
syn keyword drovanColourSet all any none
syn keyword drovanKeyword   and at atom id into is to with when eats poisons probability sterile static strength size converts collects decays ages invigoratedby directed undirected edge length springk from node donut cilia likes dislikes valence reproduces decomposes capture arc senses signals inhibits meta grasps

" A number may start with "-" or "."; a number runs into no word ("12abc" is 12 and abc).
syn match   drovanError     "[^ \t\r0-9A-Za-z_=*;]"
syn match   drovanNumber    "-\=\(\d\+\(\.\d*\)\=\|\.\d\+\)"
syn match   drovanOperator  "[=*;]"

syn match   drovanComment   "#.*$"
syn match   drovanComment   "//.*$"
syn region  drovanComment   start="/\*" end="\*/"

hi def link drovanColour    Identifier
hi def link drovanSetting   Type
hi def link drovanColourSet Constant
hi def link drovanKeyword   Keyword
hi def link drovanNumber    Number
hi def link drovanOperator  Operator
hi def link drovanComment   Comment
hi def link drovanError     Error

let b:current_syntax = "drovan"
