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
