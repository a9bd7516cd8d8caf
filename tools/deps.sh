#!/usr/bin/env bash
# Installs the Debian packages Corvane needs to build, test and run, when any is missing.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
    # libraries
    qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n libgl-dev libgif-dev libimagequant-dev libssl-dev libtiff-dev
    zlib1g-dev libdeflate-dev
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev libjpeg62-turbo-dev imagemagick xvfb xauth xdotool
    # the Debian package and the checks of what an installation puts on a desktop
    dpkg-dev fakeroot desktop-file-utils appstream man-db
    # a Japanese font for the interface
    fonts-ipafont-gothic
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
