#!/usr/bin/env bash
# Includes run one way: programs -> runtime -> rules language and file formats -> world.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
check() {  # check FILES... -- PATTERN WHY
    local why=$1 pattern=$2; shift 2
    local hits
    hits=$(grep -n -E "#include \"($pattern)/" "$@" 2>/dev/null)
    if [ -n "$hits" ]; then echo "layout: $why"; echo "$hits"; bad=1; fi
}
check "the simulation, the rules and the files include no program code" 'app|render|batch|runtime' \
    src/world/* src/rules/* src/io/*
check "the runtime includes no program code" 'app|render|batch' src/runtime/*
check "the world includes no rules language and no file format" 'rules|io' src/world/*
[ "$bad" = 0 ] && echo "layout: includes run one way"
exit $bad
