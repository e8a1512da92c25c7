#!/usr/bin/env bash
# The real game in a display of its own: it starts full screen (Space is not held), shows
# the main menu, and leaves through "Exit" on real key presses: Down, Down, Enter. Checks
# the menu on a screenshot, the exit code, and that the exit came about one second (the
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

timeout 60 "$game" 2>"$out/velkaro.log" &
game_pid=$!
started+=("$game_pid")

timeout 30 xdotool search --sync --name '^Velkaro$' >/dev/null || fail "no Velkaro window within 30 s"
# The menu shows at once; give the first frames time to reach the screen.
sleep 2
kill -0 "$game_pid" 2>/dev/null || fail "velkaro ended before any key was pressed"
import -window root "$out/menu.png" || fail "no screenshot"

# 800 x 600 letterboxed onto 1024 x 768 is a scale of 1.28 with no border. The highlighted
# "Start Game" (0x00C8FF) is centred at x 400 around y 440..460 of the game's screen; the
# dimmed items below it are blended over the menu picture.
read -r width height mean highlight < <("$pixels" "$out/menu.png" 0 200 255 24 384 555 640 595)
read -r _ _ _ highlight_top < <("$pixels" "$out/menu.png" 0 200 255 24 0 0 1024 384)
echo "menu screenshot: ${width}x${height}, mean brightness $mean, highlight pixels $highlight" \
    "around Start Game, $highlight_top in the top half"
[ "$width" = 1024 ] && [ "$height" = 768 ] || fail "screenshot is ${width}x${height}"
awk -v m="$mean" 'BEGIN { exit !(m > 5) }' || fail "the screen is black (mean $mean)"
[ "$highlight" -gt 100 ] || fail "no highlighted \"Start Game\" on the menu"

# Each key is held for a few frames so that the game, which reads key states once per
# frame, sees it down. xdotool lets go of held keys when it exits, so each press and its
# release stay within one call.
xdotool keydown Down sleep 0.15 keyup Down sleep 0.15 keydown Down sleep 0.15 keyup Down sleep 0.3
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
