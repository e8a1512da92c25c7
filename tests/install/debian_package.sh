#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its name, its files and its
# dependencies, which dpkg-shlibdeps computes from the libraries the program links.
#
# Usage: debian_package.sh BUILD_DIR OUT_DIR VERSION
set -euo pipefail
build=$1
out=$2
version=$3
rm -rf "$out"
mkdir -p "$out"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    fail "cpack failed"
}
deb="$out/velkaro_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$out")"

field() { dpkg-deb -f "$deb" "$1"; }
echo "package: $(field Package) $(field Version) $(field Architecture), section $(field Section)"
echo "depends: $(field Depends)"
[ "$(field Package)" = velkaro ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
[ "$(field Section)" = games ] || fail "section $(field Section)"

# Each library the program links, by the Debian package that ships it (names carry an ABI
# suffix: libsdl2-2.0-0, libopenal1, ...).
names=$(field Depends | tr ',' '\n' | awk '{ print $1 }')
# libgl1 is the one added by hand: SDL loads OpenGL at run time.
for lib in libc6 libstdc++6 libsdl2 libopenal libmpg123 libphysfs libepoxy libx11 libgl1; do
    grep -q "^$lib" <<<"$names" || fail "Depends lacks $lib"
done
# Nothing the program does not load at run time: no development packages, no test tools.
grep -q -- '-dev$\|gtest\|xvfb\|xdotool' <<<"$names" && fail "Depends names build or test packages"

expected="./usr/bin/velkaro
./usr/share/applications/velkaro.desktop
./usr/share/icons/hicolor/128x128/apps/velkaro.png
./usr/share/icons/hicolor/256x256/apps/velkaro.png
./usr/share/icons/hicolor/48x48/apps/velkaro.png
./usr/share/velkaro/Data.dat"
listing=$(dpkg-deb -c "$deb")
actual=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | LC_ALL=C sort)
[ "$actual" = "$(echo "$expected" | LC_ALL=C sort)" ] || fail "package files differ:
$(diff <(echo "$expected" | LC_ALL=C sort) <(echo "$actual") || true)"
# Everything under /usr, owned by root, the program stripped and executable.
awk '$2 != "root/root" { exit 1 }' <<<"$listing" || fail "files not owned by root"
grep -q '^-rwxr-xr-x .* \./usr/bin/velkaro$' <<<"$listing" || fail "velkaro is not executable"
mkdir "$out/unpacked"
dpkg-deb -x "$deb" "$out/unpacked"
kind=$(file -b "$out/unpacked/usr/bin/velkaro")
echo "program: $kind"
grep -q '^ELF 64-bit .*, stripped$' <<<"$kind" || fail "velkaro is not a stripped 64-bit program"
cmp -s "$build/Data.dat" "$out/unpacked/usr/share/velkaro/Data.dat" || fail "packed Data.dat differs from the build's"
echo "PASS"
