#!/bin/sh
# Runs a command on a fresh virtual display: virtual-display.sh COMMAND [ARG]...
# -noreset: by default the server resets whenever its last client leaves, and
# a client connecting meanwhile is refused ("failed to open display"). The
# tests' probes (xdotool) come and go while the program under test is still
# starting, so without it the program's own connection now and then fails.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
