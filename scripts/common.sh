# Shared by scripts/play and scripts/test: install missing Debian packages, configure and
# build. Source it; it expects ROOT to be the repository's top folder.

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
        echo "need root (or sudo) to run: $*" >&2
        return 1
    fi
}

# ensure_packages FILE...: installs every package named in the files (one a line, # comments)
# that is not installed yet.
ensure_packages() {
    local wanted missing=()
    wanted=$(cat "$@" | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]: configures (once) and builds everything in DIR.
build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# build_fuzzers DIR: configures DIR with clang, libFuzzer and the sanitizers and builds every
# fuzz target.
build_fuzzers() {
    local dir=$1
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DVELKARO_FUZZ=ON -DVELKARO_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target velkaro_fuzzers
}

# run_fuzzers DIR SECONDS: runs each fuzz/NAME target for SECONDS on its seed corpus
# fuzz/NAME/corpus. New inputs go to DIR/corpus/NAME and crashes to DIR/artifacts, never into
# the repository. Fails when a fuzzer finds a crash.
run_fuzzers() {
    local dir=$1 seconds=$2 corpus name log
    mkdir -p "$dir/artifacts"
    for corpus in "$ROOT"/fuzz/*/corpus; do
        name=$(basename "$(dirname "$corpus")")
        [ -x "$dir/fuzz/$name/${name}_fuzz" ] || continue
        mkdir -p "$dir/corpus/$name"
        log="$dir/${name}_fuzz.log"
        echo "-- ${name}_fuzz for ${seconds}s (log: $log)"
        if ! "$dir/fuzz/$name/${name}_fuzz" "$dir/corpus/$name" "$corpus" -max_total_time="$seconds" \
            -artifact_prefix="$dir/artifacts/${name}-" -print_final_stats=1 >"$log" 2>&1; then
            grep -E 'ERROR|SUMMARY|Test unit written' "$log" || tail -n 20 "$log"
            return 1
        fi
        grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log"
    done
}
