#!/bin/sh
# Recovery end to end: the real program places a node in a paused world and
# writes its recovery snapshot (every second here, through the test hook
# DROVAN_RECOVERY_SECONDS); it is killed with SIGKILL; started again, it
# offers the snapshot, Enter restores it, and closing the world window quits
# with a recovery snapshot of the same world (same digest).
# Usage: recovery-e2e.sh PROGRAM BATCH CLOSE_WINDOW REPOSITORY
set -u
PROGRAM=$1
BATCH=$2
CLOSER=$3
REPO=$4
WORK=$(mktemp -d /tmp/drovan-recovery-XXXXXX)
mkdir -p "$WORK/run"
cp -r "$REPO/Rules & Scenarios" "$WORK/run/"
# Paused from the start, so the world changes only by the click.
printf '\nspeed 0\n' >> "$WORK/run/Rules & Scenarios/logic.txt"

cat > "$WORK/inner.sh" <<'INNER'
#!/bin/sh
set -u
PROGRAM=$1; BATCH=$2; CLOSER=$3
export XDG_STATE_HOME="$PWD/state" DROVAN_RECOVERY_SECONDS=1
SNAP="$XDG_STATE_HOME/drovan/recovery.snap"
PID=""
fail() { echo "recovery-e2e: $*"; [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null; exit 1; }
digest() { "$BATCH" resume "$1" --steps 0 --digest 2>/dev/null | tail -n 1; }
pixel() { convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$2+$3" info: 2>/dev/null; }
corner() { xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'; }
# Polls: up to a minute for a slow build on a busy machine.
start() {
    (cd run && exec "$PROGRAM") > "out$1.txt" 2>&1 &
    PID=$!
    MAIN=""; PANEL=""
    for i in $(seq 1 600); do
        MAIN=$(xdotool search --onlyvisible --name '^Shell$' 2>/dev/null | head -n 1)
        PANEL=$(xdotool search --onlyvisible --name '^drovan$' 2>/dev/null | head -n 1)
        [ -n "$MAIN" ] && [ -n "$PANEL" ] && break
        sleep 0.1
    done
    [ -n "$MAIN" ] && [ -n "$PANEL" ] || fail "the windows did not show"
    set -- $(corner "$PANEL"); PX=$1; PY=$2
}
# The panel's dialogs cover its grey with white: the about box at panel
# pixel 240,200 (it ends above 340), a question at 240,600 too. Enter
# answers either with its first button.
white() { [ "$(pixel shot.png $((PX + 240)) $((PY + $1)))" = "255,255,255" ]; }
shown() {
    import -window root shot.png || return 1
    if [ "$1" = about ]; then white 200 && ! white 600; else white 600; fi
}
answer() {
    for i in $(seq 1 120); do shown "$1" && break; sleep 0.5; done
    shown "$1" || fail "no $1 dialog showed"
    for try in $(seq 1 20); do
        xdotool mousemove --window "$PANEL" 120 100 key Return
        sleep 1
        shown "$1" || return 0
    done
    fail "the $1 dialog did not close"
}

# First run: a node placed, written for recovery, then SIGKILL.
start 1
answer about
for i in $(seq 1 120); do [ -s "$SNAP" ] && break; sleep 0.5; done
[ -s "$SNAP" ] || fail "no recovery snapshot was written"
FRESH=$(digest "$SNAP")
xdotool mousemove --window "$MAIN" 300 260 click 1
for i in $(seq 1 120); do
    sleep 0.5
    KEPT=$(digest "$SNAP")
    [ -n "$KEPT" ] && [ "$KEPT" != "$FRESH" ] && break
done
[ "$KEPT" != "$FRESH" ] || fail "the placed node never reached the recovery snapshot"
sleep 1.5  # one more write of the same world
kill -9 "$PID"
wait "$PID" 2>/dev/null
KEPT=$(digest "$SNAP")
[ "$KEPT" != "$FRESH" ] || fail "the recovery snapshot lost the node"
echo "fresh world $FRESH, kept at SIGKILL $KEPT"

# Second run: the about box, then the offer; Enter restores.
start 2
answer about
answer question
# Closing the world window quits (no unsaved patterns), writing the world.
"$CLOSER" "$MAIN" || fail "cannot ask the world window to close"
for i in $(seq 1 600); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$PID" 2>/dev/null && fail "the program did not quit when its window was closed"
wait "$PID"
STATUS=$?
[ $STATUS -eq 0 ] || fail "the program ended with status $STATUS"
QUIT=$(digest "$SNAP")
echo "written at quit after restoring: $QUIT"
[ "$QUIT" = "$KEPT" ] || fail "the restored world is not the one kept"
exit 0
INNER
chmod +x "$WORK/inner.sh"

cd "$WORK"
"$REPO/tests/gui/virtual-display.sh" ./inner.sh "$PROGRAM" "$BATCH" "$CLOSER"
STATUS=$?
[ $STATUS -eq 0 ] || { for f in out1.txt out2.txt; do echo "--- $f"; grep -v '^Supported\|^GL_\|mark' "$f" 2>/dev/null | tail -n 20; done; echo "--- kept in $WORK"; }
[ $STATUS -eq 0 ] && rm -rf "$WORK"
exit $STATUS
