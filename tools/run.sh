#!/usr/bin/env bash
# Installs what is needed, builds Corvane and starts it: on a generated sample pair of pictures, or on the
# images given as arguments (corvane [ORIGINAL1 [ORIGINAL2]]).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF
if [ $# -eq 0 ]; then
    set -- --sample-pair "$root/build/sample-pair"
fi
exec "$root/build/release/app/window/corvane" "$@"
