#!/usr/bin/env bash
# The tolerant comparison's counts against pixelmatch 7 (npm) on generated opaque pairs, in every surface
# format, at thresholds 0 to 1, with anti-aliased pixels counted and not, and at a shift (pixelmatch
# compares the overlap). pixelmatch is installed into a temporary folder that is removed afterwards.
# pixelmatch-check.sh BUILD_FOLDER   (a build with -DCORVANE_BUILD_BENCH=ON)
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v npm >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends nodejs npm
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
npm install --prefix "$work/peer" --no-audit --no-fund --silent pixelmatch@7
mkdir -p "$work/pairs"
"$build/bench/corvane-tolerance-check" "$work/pairs"
node "$here/pixelmatch-check.mjs" "$work/peer/node_modules/pixelmatch/index.js" "$work/pairs"
