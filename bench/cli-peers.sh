#!/usr/bin/env bash
# `corvane-cli pixel` on two 4000 × 3000 PNGs against two peers that compare the same pair, measured in
# one run with hyperfine: odiff (npm package odiff-bin, exact: --threshold 0) and ImageMagick's
# `compare -metric AE`. Every program decodes both files and counts the differing pixels.
# cli-peers.sh BUILD_FOLDER
set -euo pipefail
build=$1
data="$build/peer-data"
peers="$build/peers"
mkdir -p "$data" "$peers"

# The benchmark's own tools: hyperfine, and npm to fetch the peer (any Node.js with npm will do).
missing=()
command -v hyperfine >/dev/null || missing+=(hyperfine)
command -v npm >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [ ! -x "$peers/node_modules/.bin/odiff" ]; then
    npm install --prefix "$peers" --no-audit --no-fund --silent odiff-bin
fi
if [ ! -f "$data/a.png" ]; then
    # A photo-like 8-bit picture, and a copy with a few changes.
    convert -seed 1 -size 4000x3000 plasma:fractal -depth 8 "$data/a.png"
    convert "$data/a.png" -fill '#ff0000' -draw 'rectangle 100,100 300,200' \
        -fill '#00ff00' -draw 'circle 2000,1500 2100,1500' -depth 8 "$data/b.png"
fi

a="$data/a.png"
b="$data/b.png"
hyperfine --warmup 2 --runs 10 --ignore-failure --export-markdown "$build/cli-peers.md" \
    -n "corvane-cli pixel" "$build/cli/corvane-cli pixel $a $b" \
    -n "odiff --threshold 0" "$peers/node_modules/.bin/odiff $a $b --threshold 0" \
    -n "compare -metric AE" "compare -metric AE $a $b null:"
cat "$build/cli-peers.md"
