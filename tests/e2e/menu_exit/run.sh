#!/usr/bin/env bash
# The real game in a display of its own: started with Space held it opens a window, shows
# the main menu, and leaves through "Exit" on real key presses: Down, Down, Enter. Checks
# the menu on screenshots, the exit code, and that the exit came about one second (the
# fade to black) after Enter.
#
# Usage: run.sh VELKARO PIXELS OUTDIR, from the folder that holds Data.dat.
set -euo pipefail
game=$1
pixels=$2
out=$3
rm -rf "$out"
mkdir -p "$out"

fail() {
    echo "FAIL: $*" >&2
    [ -s "$out/velkaro.log" ] && sed 's/^/  velkaro: /' "$out/velkaro.log" >&2
    exit 1
}

started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
started+=($!)
for _ in $(seq 100); do
    [ -s "$out/display" ] && break
    sleep 0.1
done
[ -s "$out/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$out/display")"
export SDL_VIDEODRIVER=x11 ALSOFT_DRIVERS=null

# Space held while the game starts gives a window; full screen needs a window manager,
# which Xvfb does not have. xdotool lets go of held keys when it exits, so the one call
# holds Space until the game has certainly read it, then lets go.
xdotool keydown space sleep 3 keyup space &
started+=($!)
sleep 0.5
timeout 60 "$game" 2>"$out/velkaro.log" &
game_pid=$!
started+=("$game_pid")

window=$(timeout 30 xdotool search --sync --name '^Velkaro$' | head -n 1) || fail "no Velkaro window within 30 s"
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$geometry" = 800x600 ] || fail "the window is $geometry, not an 800x600 window"
xdotool windowfocus "$window" 2>/dev/null || true

# The highlight colour 0x00C8FF around an item's text, in window pixels: items are
# centred at x 400, "Start Game" at y 440 and "Exit" at y 540.
highlighted() { # PICTURE Y
    "$pixels" "$1" 0 200 255 24 300 "$2" 500 $(($2 + 35)) | awk '{ print $4 }'
}

# The menu shows at once; give the first frames time to reach the screen.
sleep 3
kill -0 "$game_pid" 2>/dev/null || fail "velkaro ended before any key was pressed"
import -window "$window" "$out/menu.png" || fail "no screenshot"
read -r width height mean _ < <("$pixels" "$out/menu.png" 0 200 255 24)
start_item=$(highlighted "$out/menu.png" 435)
exit_item=$(highlighted "$out/menu.png" 535)
echo "menu: ${width}x${height}, mean brightness $mean; highlight pixels: Start Game $start_item, Exit $exit_item"
awk -v m="$mean" 'BEGIN { exit !(m > 5) }' || fail "the menu is black (mean $mean)"
[ "$start_item" -gt 50 ] && [ "$exit_item" -lt 5 ] || fail "\"Start Game\" is not the highlighted item"

# Each key is held for a few frames so that the game, which reads key states once per
# frame, sees it down; each press and its release stay within one xdotool call.
xdotool keydown Down sleep 0.15 keyup Down sleep 0.15 keydown Down sleep 0.15 keyup Down sleep 0.3
import -window "$window" "$out/menu-exit.png" || fail "no screenshot"
start_item=$(highlighted "$out/menu-exit.png" 435)
exit_item=$(highlighted "$out/menu-exit.png" 535)
echo "after Down, Down: highlight pixels: Start Game $start_item, Exit $exit_item"
[ "$exit_item" -gt 10 ] && [ "$start_item" -lt 5 ] || fail "\"Exit\" is not highlighted after Down, Down"

enter_at=$(date +%s.%N)
xdotool keydown Return sleep 0.15 keyup Return

set +e
wait "$game_pid"
code=$?
set -e
exit_at=$(date +%s.%N)
elapsed=$(awk -v a="$enter_at" -v b="$exit_at" 'BEGIN { printf "%.2f", b - a }')
echo "velkaro exited with $code, $elapsed s after Enter"

[ "$code" = 0 ] || fail "exit code $code"
# The fade takes one second; the bound is loose on purpose (start-up of xdotool, shutdown).
awk -v e="$elapsed" 'BEGIN { exit !(e >= 0.9 && e <= 4.0) }' || fail "exit came $elapsed s after Enter"
echo "PASS"
