# Shared by the end-to-end scripts: a display of their own, the game started in it, and
# what they read from screenshots. Source it after setting `out` (a scratch folder).

fail() {
    echo "FAIL: $*" >&2
    for log in "$out"/*.log; do [ -s "$log" ] && sed "s|^|  $(basename "$log"): |" "$log" >&2; done
    exit 1
}

started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# start_display [wm]: Xvfb on a free display number; with "wm", a window manager too (full
# screen needs one).
start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
    started+=($!)
    local _
    for _ in $(seq 100); do
        [ -s "$out/display" ] && break
        sleep 0.1
    done
    [ -s "$out/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$out/display")"
    if [ "${1:-}" = wm ]; then
        matchbox-window-manager -use_titlebar no >"$out/wm.log" 2>&1 &
        started+=($!)
        sleep 1
    fi
}

# start_game GAME windowed|fullscreen: starts GAME in the current folder (its log in
# $out/velkaro.log), sets game_pid and window.
start_game() {
    if [ "$2" = windowed ]; then
        # Held while the game starts; xdotool lets go when its call ends.
        xdotool keydown space sleep 3 keyup space &
        started+=($!)
        sleep 0.5
    fi
    SDL_VIDEODRIVER=x11 timeout 120 "$1" 2>"$out/velkaro.log" &
    game_pid=$!
    started+=("$game_pid")
    window=$(timeout 30 xdotool search --sync --name '^Velkaro$' | head -n 1) || fail "no Velkaro window within 30 s"
}

# shot NAME: a screenshot of the game's window in $out/NAME.png, once it shows a picture.
shot() {
    local _ mean
    for _ in $(seq 10); do
        import -window "$window" "$out/$1.png" 2>/dev/null || true
        mean=$(convert "$out/$1.png" -format '%[fx:int(mean*1000)]' info: 2>/dev/null || echo 0)
        [ "$mean" -gt 5 ] && return 0
        sleep 0.5
    done
    fail "no picture in the window for $1"
}

# near PICTURE GEOMETRY COLOUR [FUZZ%]: how many pixels inside GEOMETRY (WxH+X+Y) are
# within FUZZ of COLOUR.
near() {
    convert "$1" -crop "$2" +repage -alpha off -fuzz "${4:-12}%" -fill white -opaque "$3" -fill black \
        +opaque white -format '%[fx:int(mean*w*h+0.5)]' info:
}

# key KEY...: presses each key long enough for a frame to see it.
key() {
    local k
    for k in "$@"; do xdotool keydown "$k" sleep 0.2 keyup "$k" sleep 0.2; done
}

# The texts' colour 0x00C8FF.
text_colour='rgb(0,200,255)'

# wait_exit SECONDS: waits for the game to end by itself; sets code and elapsed.
wait_exit() {
    local from=$(date +%s.%N) _
    for _ in $(seq $(($1 * 10))); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$game_pid" 2>/dev/null && fail "velkaro still running $1 s later"
    set +e
    wait "$game_pid"
    code=$?
    set -e
    elapsed=$(awk -v a="$from" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
}
