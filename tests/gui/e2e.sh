#!/bin/sh
# End to end: the real program on a virtual display, in a scratch folder with
# a copy of the bundled scenarios. Usage: e2e.sh PROGRAM REPOSITORY
set -u
PROGRAM=$1
REPO=$2
WORK=$(mktemp -d /tmp/drovan-e2e-XXXXXX)
mkdir -p "$WORK/run"
cp -r "$REPO/Rules & Scenarios" "$WORK/run/" 2>/dev/null || mkdir -p "$WORK/run/Rules & Scenarios"

cat > "$WORK/inner.sh" <<'INNER'
#!/bin/sh
set -u
PROGRAM=$1
cd run
# A recovery snapshot goes to the scratch folder, never to the user's.
XDG_STATE_HOME="$PWD/../state" "$PROGRAM" > ../out.txt 2>&1 &
PID=$!
fail() { echo "e2e: $*"; kill "$PID" 2>/dev/null; exit 1; }

# Both windows appear: the world ("Shell") and the panel ("drovan").
MAIN=""; PANEL=""
for i in $(seq 1 600); do  # a sanitizer build on a busy machine starts slowly
    MAIN=$(xdotool search --onlyvisible --name '^Shell$' 2>/dev/null | head -n 1)
    PANEL=$(xdotool search --onlyvisible --name '^drovan$' 2>/dev/null | head -n 1)
    [ -n "$MAIN" ] && [ -n "$PANEL" ] && break
    sleep 0.1
done
[ -n "$MAIN" ] || fail "the world window did not show"
[ -n "$PANEL" ] || fail "the panel window did not show"
sleep 1
# Where the windows lie on the screen (the program places them by its size).
corner() { xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'; }
set -- $(corner "$MAIN"); WX=$1; WY=$2
set -- $(corner "$PANEL"); PX=$1; PY=$2
echo "world window at $WX,$WY, panel at $PX,$PY"
echo "$WX $WY $PX $PY" > ../corners.txt

pixel() { convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$2+$3" info: 2>/dev/null; }
# The about box's OK button sits at the foot of its fixed-size popup. Under
# load a click may come before the box shows, or be lost, so wait for the box
# and click until it has gone: the box's white text area covers the panel's grey at panel pixel
# 240,200.
aboutShown() {
    import -window root ../about.png || return 1
    [ "$(pixel ../about.png $((PX + 240)) $((PY + 200)))" = "255,255,255" ]
}
for try in $(seq 1 20); do aboutShown && break; sleep 0.5; done
aboutShown || fail "the about box did not show"
for try in 1 2 3 4 5 6 7 8 9 10; do
    aboutShown || break
    xdotool mousemove --window "$PANEL" 120 322 click 1
    sleep 1
done
aboutShown && fail "the about box does not close"
# A click on empty ground places a node: the pixel under the pointer turns
# from the white ground to the node's colour.
X=400; Y=400
for try in 1 2 3 4 5 6; do
    import -window root ../before.png || fail "no screenshot"
    [ "$(pixel ../before.png $((WX + X)) $((WY + Y)))" = "255,255,255" ] && break
    X=$((X + 37)); Y=$((Y - 23))
done
xdotool mousemove --window "$MAIN" $X $Y click 1
# A slow build on a busy machine may take a while to draw the node.
for wait in $(seq 1 40); do
    sleep 0.25
    import -window root ../after.png || fail "no screenshot"
    AFTER=$(pixel ../after.png $((WX + X)) $((WY + Y)))
    [ "$AFTER" != "255,255,255" ] && break
done
echo "clicked at $X,$Y: pixel $AFTER"
[ "$AFTER" != "255,255,255" ] || fail "the click placed no node"
# Press on a node, release over another: the two are joined.
xdotool mousemove --window "$MAIN" 300 300 mousedown 1
sleep 0.3
xdotool mousemove --window "$MAIN" 360 360
sleep 0.3
xdotool mousemove --window "$MAIN" $X $Y
sleep 0.3
xdotool mouseup 1
sleep 2
import -window root ../shot.png || fail "no screenshot"
kill -0 "$PID" 2>/dev/null || fail "the program is not running"
xdotool search --onlyvisible --name '^Shell$' > /dev/null || fail "the world window is gone"
xdotool search --onlyvisible --name '^drovan$' > /dev/null || fail "the panel window is gone"
# A terminate signal quits cleanly (after the recovery snapshot).
kill "$PID"
wait "$PID"
STATUS=$?
[ $STATUS -eq 0 ] || fail "the program ended with status $STATUS on a terminate signal"
[ -s ../state/drovan/recovery.snap ] || fail "no recovery snapshot when the program quit"
exit 0
INNER
chmod +x "$WORK/inner.sh"

cd "$WORK"
"$REPO/tests/gui/virtual-display.sh" ./inner.sh "$PROGRAM"
STATUS=$?
if [ $STATUS -eq 0 ]; then
    # The screenshot shows the white world and the light panel, not the bare root.
    pixel() { convert shot.png -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$1+$2" info: 2>/dev/null; }
    set -- $(cat corners.txt)
    WORLD=$(pixel $(($1 + 18)) $(($2 + 668)))
    SIDE=$(pixel 1277 1020)
    PANELPIX=$(pixel $(($3 + 84)) $(($4 + 940)))
    echo "world pixel $WORLD, panel pixel $PANELPIX, root pixel $SIDE"
    [ "$WORLD" = "255,255,255" ] || { echo "e2e: the world is not drawn"; STATUS=1; }
    [ "$PANELPIX" != "0,0,0" ] || { echo "e2e: the panel is not drawn"; STATUS=1; }
    grep -q "OpenGL Driver" out.txt || { echo "e2e: no driver printout"; STATUS=1; }
fi
[ $STATUS -eq 0 ] || { echo "--- program output"; head -c 2000 out.txt; echo "--- kept in $WORK"; }
[ -n "${E2E_SHOT:-}" ] && cp shot.png "$E2E_SHOT"
[ $STATUS -eq 0 ] && rm -rf "$WORK"
exit $STATUS
