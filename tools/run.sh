#!/usr/bin/env bash
# Installs what is needed, builds Corvane and starts it. Arguments are passed to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF
exec "$root/build/release/app/corvane" "$@"
