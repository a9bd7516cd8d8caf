#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop finds there: both programs (which
# answer --version without a display), the desktop entry, the AppStream metainfo, the icon in every size,
# and the manual pages, each through the validator a distribution runs on them.
# Usage: install-check.sh BUILD_FOLDER VERSION
set -uo pipefail
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"; rm -f "$prefix.log"
    echo "FAIL: cmake --install"; exit 1
fi
rm -f "$prefix.log"

share=$prefix/share
for file in bin/corvane bin/corvane-cli share/applications/org.pellucora.corvane.desktop \
    share/metainfo/org.pellucora.corvane.metainfo.xml share/icons/hicolor/scalable/apps/org.pellucora.corvane.svg \
    share/man/man1/corvane.1 share/man/man1/corvane-cli.1 share/doc/corvane/copyright share/doc/corvane/LICENSE; do
    [ -s "$prefix/$file" ] || fail "$file was not installed"
done

# The installed programs tell the build's version, the window without a display.
for program in corvane corvane-cli; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version 2>&1)
    [ "$out" = "$program $version" ] || fail "$program --version said \"$out\", expected \"$program $version\""
done

desktop=$share/applications/org.pellucora.corvane.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Exec=corvane %F' "$desktop" || fail "the desktop entry does not start corvane with the files (%F)"
mime=$(sed -n 's/^MimeType=//p' "$desktop")
for type in image/jpeg image/gif image/bmp image/png image/tiff; do
    [[ ";$mime" == *";$type;"* ]] || fail "the desktop entry lacks $type"
done
grep -qx 'Icon=org.pellucora.corvane' "$desktop" || fail "the desktop entry names another icon"

metainfo=$share/metainfo/org.pellucora.corvane.metainfo.xml
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
[[ "$out" != *"P: "* && "$out" != *"I: "* && "$out" != *"W: "* ]] || fail "appstreamcli validate: $out"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/org.pellucora.corvane.png
    if [ ! -s "$png" ]; then
        fail "no ${size}x${size} icon"; continue
    fi
    # PNG header: the width and height are the big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done

for page in corvane corvane-cli; do
    out=$(MANWIDTH=80 man -l --warnings -E UTF-8 "$share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man --warnings on $page.1: $out"
    grep -q "Corvane $version" "$share/man/man1/$page.1" || fail "$page.1 is not of version $version"
done

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "installed and validated: $(cd "$prefix" && find . -type f | wc -l) files"
