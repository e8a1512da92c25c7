#!/usr/bin/env bash
# Installs the game into a fresh prefix, checks what lands where, validates the desktop
# entry, then starts the installed program in Xvfb from a folder that has nothing of the
# game in it: it must find its data, show the main menu and leave through "Exit" (Down,
# Down, Enter) with code 0 about one second (the fade) after Enter.
#
# Usage: install_prefix.sh BUILD_DIR OUT_DIR BINDIR DATADIR
set -euo pipefail
build=$1
out=$2
bindir=$3
datadir=$4
rm -rf "$out"
mkdir -p "$out"
prefix="$out/prefix"

fail() {
    echo "FAIL: $*" >&2
    [ -s "$out/velkaro.log" ] && sed 's/^/  velkaro: /' "$out/velkaro.log" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >"$out/install.log" || fail "cmake --install failed"

# Exactly these files, nothing else.
expected="$bindir/velkaro
$datadir/applications/velkaro.desktop
$datadir/icons/hicolor/128x128/apps/velkaro.png
$datadir/icons/hicolor/256x256/apps/velkaro.png
$datadir/icons/hicolor/48x48/apps/velkaro.png
$datadir/velkaro/Data.dat"
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(echo "$expected" | LC_ALL=C sort)" ] || fail "installed files differ:
$(diff <(echo "$expected" | LC_ALL=C sort) <(echo "$actual") || true)"
[ -x "$prefix/$bindir/velkaro" ] || fail "velkaro is not executable"
cmp -s "$build/Data.dat" "$prefix/$datadir/velkaro/Data.dat" || fail "installed Data.dat differs from the build's"

for size in 48 128 256; do
    icon="$prefix/$datadir/icons/hicolor/${size}x${size}/apps/velkaro.png"
    # Transparent corners around an opaque picture.
    read -r format width height < <(identify -format '%m %w %h\n' "$icon")
    read -r corner middle < <(convert "$icon" -alpha extract -format '%[fx:p{0,0}] %[fx:mean]\n' info:)
    echo "icon $size: $format ${width}x${height}, corner alpha $corner, mean alpha $middle"
    [ "$format" = PNG ] && [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "icon $size is $format ${width}x${height}"
    awk -v c="$corner" -v m="$middle" 'BEGIN { exit !(c == 0 && m > 0.8) }' || fail "icon $size is not a tile"
done

desktop="$prefix/$datadir/applications/velkaro.desktop"
desktop-file-validate "$desktop" || fail "desktop entry is not valid"
grep -qx 'Exec=velkaro' "$desktop" || fail "desktop entry does not run velkaro"
grep -qx 'Icon=velkaro' "$desktop" || fail "desktop entry does not name the icon"
grep -q '^Categories=.*Game;' "$desktop" || fail "desktop entry is not in the Game category"
grep -q '^Comment=.' "$desktop" || fail "desktop entry has no comment"

# An unrelated working folder: nothing of the game in it or above it.
elsewhere=$(mktemp -d)
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$elsewhere"
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

(cd "$elsewhere" && exec timeout 60 "$prefix/$bindir/velkaro") 2>"$out/velkaro.log" &
game_pid=$!
started+=("$game_pid")

timeout 30 xdotool search --sync --name '^Velkaro$' >/dev/null || fail "no Velkaro window within 30 s"

# The highlighted "Start Game" (0x00C8FF) lies in the lower half of the game's screen,
# wherever full screen places it: count its pixels there. A black screen, or a menu drawn
# without its data (no font), has none. Loading the data takes a moment after the window
# opens, so look again for a while.
highlight=0
for _ in $(seq 30); do
    sleep 0.5
    kill -0 "$game_pid" 2>/dev/null || fail "velkaro ended before any key was pressed"
    import -window root "$out/menu.png" || fail "no screenshot"
    highlight=$(convert "$out/menu.png" -gravity south -crop 100%x50%+0+0 +repage -fuzz 10% -fill black \
        +opaque '#00C8FF' -fill white -opaque '#00C8FF' -format '%[fx:round(mean*w*h)]' info:)
    [ "$highlight" -gt 100 ] && break
done
mean=$(convert "$out/menu.png" -colorspace gray -format '%[fx:round(mean*255)]' info:)
echo "menu screenshot: mean brightness $mean, $highlight highlight pixels in the lower half"
grep -i 'not found\|can.t find' "$out/velkaro.log" && fail "the installed program misses its data"
[ "$mean" -gt 5 ] || fail "the screen is black (mean $mean)"
# Text, not a screen flooded with one colour.
[ "$highlight" -gt 100 ] && [ "$highlight" -lt 20000 ] || fail "no highlighted \"Start Game\" on the menu"

# Each key is held for a few frames so that the game, which reads key states once per
# frame, sees it down.
xdotool keydown Down sleep 0.15 keyup Down sleep 0.15 keydown Down sleep 0.15 keyup Down sleep 0.3
enter_at=$(date +%s.%N)
xdotool keydown Return sleep 0.15 keyup Return

set +e
wait "$game_pid"
code=$?
set -e
elapsed=$(awk -v a="$enter_at" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
echo "installed velkaro exited with $code, $elapsed s after Enter"
[ "$code" = 0 ] || fail "exit code $code"
awk -v e="$elapsed" 'BEGIN { exit !(e >= 0.9 && e <= 4.0) }' || fail "exit came $elapsed s after Enter"
[ -z "$(ls -A "$elsewhere")" ] || fail "the program wrote into its working folder: $(ls -A "$elsewhere")"
echo "PASS"
