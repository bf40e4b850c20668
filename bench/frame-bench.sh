#!/bin/sh
# Runs drovan-frame-bench, on a virtual screen when there is no display.
#   bench/frame-bench.sh [BUILD_DIR] [drovan-frame-bench options and worlds]
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-release"}
[ $# -gt 0 ] && shift
bench="$build/drovan-frame-bench"
if [ ! -x "$bench" ]; then
    echo "frame-bench.sh: no $bench (build the desktop program first)" >&2
    exit 2
fi
if [ -n "$DISPLAY" ]; then
    exec "$bench" "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bench" "$@"
