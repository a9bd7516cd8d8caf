#!/usr/bin/env bash
# Builds the Debian package of the build folder with CPack and checks its control fields (Depends from
# dpkg-shlibdeps, the plugin package Qt loads) and its file list.
# Usage: package-check.sh BUILD_FOLDER VERSION
set -uo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1
fi
arch=$(dpkg --print-architecture)
deb=$work/out/corvane_${version}_${arch}.deb
if [ ! -f "$deb" ]; then
    ls -l "$work/out"; echo "FAIL: no corvane_${version}_${arch}.deb"; exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = corvane ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
# The libraries the programs link, as dpkg-shlibdeps names their packages, and the plugins.
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libgif7 libimagequant0 libssl3 \
    zlib1g libtiff6 libdeflate0 qt6-image-formats-plugins; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
        fail "Depends lacks $package: $depends"
done
[[ "$(field Recommends)" == *fonts-ipafont-gothic* ]] || fail "Recommends: $(field Recommends)"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for file in /usr/bin/corvane /usr/bin/corvane-cli /usr/share/applications/org.pellucora.corvane.desktop \
    /usr/share/metainfo/org.pellucora.corvane.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/org.pellucora.corvane.svg \
    /usr/share/icons/hicolor/48x48/apps/org.pellucora.corvane.png /usr/share/man/man1/corvane.1 \
    /usr/share/man/man1/corvane-cli.1 /usr/share/doc/corvane/copyright; do
    grep -qx "$file" "$work/files" || fail "the package lacks $file"
done
# Nothing outside /usr, and nothing of the build (tests, benchmarks, tools) inside it.
if grep -v -e '^/$' -e '^/usr/' "$work/files"; then
    fail "files outside /usr"
fi
if grep -E -e 'test|bench|icon-render' "$work/files"; then
    fail "build tools or tests in the package"
fi
# The programs are stripped.
dpkg-deb -x "$deb" "$work/root"
if readelf -S "$work/root/usr/bin/corvane" | grep -q '\.symtab'; then
    fail "corvane is not stripped"
fi

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "$(basename "$deb"): $(wc -l <"$work/files") paths; Depends: $depends"
