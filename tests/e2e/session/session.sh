#!/usr/bin/env bash
# One whole session of the real game in a window: the main menu with its highlight moving,
# the instructions and back, a game with its HUD, a planet picked where the screenshot shows
# it, its orbit reshaped with the mouse and its speed changed with the wheel, released, a
# pause that freezes the system, back to the menu and out through Exit. Then a second start
# in full screen that is closed with the window's close button.
#
# Usage: session.sh VELKARO OUTDIR, from the folder that holds Data.dat. With
# VELKARO_E2E_DOCS set to a folder, the menu and play screenshots are also written there.
set -euo pipefail
game=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
. "$(dirname "$0")/../common/lib.sh"
export ALSOFT_DRIVERS=null

start_display wm
start_game "$game" windowed
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$geometry" = 800x600 ] || fail "with Space held the window is $geometry, not 800x600"
xdotool mousemove --window "$window" 795 5
sleep 2

# The menu items are centred at x 400: Start Game at y 440, Instructions 490, Exit 540.
item() { near "$1" "300x36+250+$(($2 - 5))" "$text_colour" 8; }
menu_check() { # PICTURE HIGHLIGHTED-Y
    local y
    for y in 440 490 540; do
        if [ "$y" = "$2" ]; then
            [ "$(item "$1" "$y")" -gt 50 ] || fail "item at y $y is not highlighted in $1"
        else
            [ "$(item "$1" "$y")" -lt 5 ] || fail "item at y $y is highlighted in $1"
        fi
    done
}
shot menu
menu_check "$out/menu.png" 440
key Down
shot menu-instructions
menu_check "$out/menu-instructions.png" 490
echo "menu: the highlight moves from Start Game to Instructions"

# Instructions, and back with Escape.
key Return
sleep 2.5
shot instructions
lines=$(near "$out/instructions.png" 600x560+100+0 'rgb(0,118,150)' 12)
[ "$lines" -gt 500 ] || fail "no instruction lines ($lines text pixels)"
key Escape
sleep 2.5
shot menu-again
menu_check "$out/menu-again.png" 440
echo "instructions: $lines text pixels; Escape leads back to a fresh menu"

# Start Game: the Play HUD.
key Return
sleep 2.5
shot play
hud_top=$(near "$out/play.png" 400x30+0+0 "$text_colour")
hud_counts=$(near "$out/play.png" 220x130+0+465 "$text_colour")
[ "$hud_top" -gt 100 ] && [ "$hud_counts" -gt 200 ] || fail "no Play HUD ($hud_top, $hud_counts text pixels)"
echo "play: HUD text pixels top $hud_top, counts $hud_counts"

# Finds the largest planet on a paused screenshot: bright, larger than any star, away from
# the sun and the texts. Prints "x y" or nothing.
find_planet() {
    convert "$1" -fill black -draw "rectangle 0,0 799,40" -draw "rectangle 0,460 230,599" \
        -draw "rectangle 560,530 799,599" -draw "rectangle 240,40 560,110" -draw "circle 400,300 460,300" \
        -colorspace gray -threshold 30% -morphology Erode Disk:5 \
        -define connected-components:verbose=true -connected-components 8 null: |
        awk 'NR > 1 && $5 ~ /255/ { print $4, $3 }' | sort -rn | head -n 1 |
        awk '{ split($2, c, ","); printf "%d %d\n", c[1], c[2] }'
}

# Pause, look for the planet, and pick it: the button is held down before P resumes the
# game, so the first running frame hit-tests where the screenshot saw the planet.
planet=""
for attempt in 1 2 3 4 5; do
    key p
    shot "paused-$attempt"
    planet=$(find_planet "$out/paused-$attempt.png")
    [ -n "$planet" ] && break
    key p
    sleep 0.7
done
[ -n "$planet" ] || fail "no planet found on the screen"
paused_text=$(near "$out/paused-$attempt.png" 300x70+250+40 "$text_colour")
[ "$paused_text" -gt 300 ] || fail "no PAUSED text ($paused_text pixels)"
read -r px py <<<"$planet"
echo "planet at ($px, $py); PAUSED text pixels $paused_text"
xdotool mousemove --window "$window" "$px" "$py" mousedown 1 keydown p sleep 0.3 keyup p mouseup 1
sleep 0.5

# AdjustOrbit: the velocity at the top right; the selected ring (full 0x6464FF dashes)
# follows the mouse: small in the top-left corner, wide towards the bottom right.
ring_width() { # PICTURE
    convert "$1" -alpha off -fuzz 6% -fill white -opaque 'rgb(100,100,255)' -fill black +opaque white \
        -format '%@' info: | sed 's/x.*//'
}
xdotool mousemove --window "$window" 60 60
sleep 0.6
shot orbit-small
xdotool mousemove --window "$window" 760 560
sleep 0.6
shot orbit-wide
velocity=$(near "$out/orbit-wide.png" 380x30+420+0 "$text_colour")
[ "$velocity" -gt 200 ] || fail "no \"Selected Planets Velocity\" text ($velocity pixels): the planet was not picked"
small=$(ring_width "$out/orbit-small.png")
wide=$(ring_width "$out/orbit-wide.png")
echo "orbit: ring ${small} px wide with the mouse top-left, ${wide} px bottom-right"
[ "$small" -lt 260 ] && [ "$wide" -gt 500 ] || fail "the orbit does not follow the mouse ($small, $wide)"

# The wheel changes the shown velocity.
convert "$out/orbit-wide.png" -crop 80x26+715+2 +repage "$out/velocity-before.png"
xdotool click --repeat 5 --delay 80 4
sleep 0.5
shot wheel
convert "$out/wheel.png" -crop 80x26+715+2 +repage "$out/velocity-after.png"
changed=$(compare -metric AE "$out/velocity-before.png" "$out/velocity-after.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 20 ] || fail "the velocity did not change with the wheel ($changed pixels)"
echo "wheel: $changed pixels of the velocity changed"
[ -n "${VELKARO_E2E_DOCS:-}" ] && convert "$out/wheel.png" -resize 400x300 "$VELKARO_E2E_DOCS/play.png"

# Release with a click; back to Running.
xdotool mousemove --window "$window" 700 400 click 1
sleep 0.5
shot released
[ "$(near "$out/released.png" 380x30+420+0 "$text_colour")" -lt 20 ] || fail "the planet was not released"

# Paused, nothing of the system moves (the star backdrop does: moving blobs are counted
# after thin things like stars have been eroded away); running, the planets move.
moving() { # A B
    compare -fuzz 15% -compose src -highlight-color white -lowlight-color black "$1" "$2" png:- 2>/dev/null |
        convert - -fill black -draw "rectangle 0,0 799,40" -draw "rectangle 540,530 799,599" \
            -draw "rectangle 0,460 230,599" -colorspace gray -morphology Erode Disk:4 \
            -format '%[fx:int(mean*w*h+0.5)]' info:
}
shot running-1
sleep 1
shot running-2
key p
shot paused-a
sleep 1
shot paused-b
running_moved=$(moving "$out/running-1.png" "$out/running-2.png")
paused_moved=$(moving "$out/paused-a.png" "$out/paused-b.png")
echo "pause: moving pixels running $running_moved, paused $paused_moved"
[ "$paused_moved" -eq 0 ] || fail "something moved while paused ($paused_moved pixels)"
[ "$running_moved" -gt 50 ] || fail "nothing moved while running ($running_moved pixels)"
key p
sleep 0.5
shot resumed
[ "$(near "$out/resumed.png" 300x70+250+40 "$text_colour")" -lt 50 ] || fail "still PAUSED after P"

# Escape to the menu; Exit ends the program by itself about a second later.
key Escape
sleep 2.5
shot menu-end
menu_check "$out/menu-end.png" 440
[ -n "${VELKARO_E2E_DOCS:-}" ] && convert "$out/menu-end.png" -resize 400x300 "$VELKARO_E2E_DOCS/menu.png"
xdotool keydown Down sleep 0.2 keyup Down sleep 0.2 keydown Down sleep 0.2 keyup Down sleep 0.2 keydown Return
xdotool keyup Return
wait_exit 10
echo "exit: code $code, $elapsed s after Enter"
[ "$code" = 0 ] || fail "exit code $code after Exit"
awk -v e="$elapsed" 'BEGIN { exit !(e >= 0.8 && e <= 4.0) }' || fail "exit came $elapsed s after Enter"

# Full screen (Space not held): the picture fills the screen, and the close button ends
# the program cleanly.
start_game "$game" fullscreen
sleep 2
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$geometry" = 1024x768 ] || fail "full screen gave a $geometry window"
shot fullscreen
# The menu scaled by 1.28: Start Game highlighted around y 440 * 1.28.
[ "$(near "$out/fullscreen.png" 384x46+320+557 "$text_colour" 8)" -gt 50 ] || fail "no menu in full screen"
python3 "$(dirname "$0")/../common/close_window.py" "$window"
wait_exit 10
echo "close button: code $code after $elapsed s"
[ "$code" = 0 ] || fail "exit code $code after the close button"
echo "PASS"
