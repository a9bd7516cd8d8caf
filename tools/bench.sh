#!/usr/bin/env bash
# Installs what is needed, builds the benchmarks in release mode and runs them. Extra arguments go to
# the benchmark program (e.g. --benchmark_filter=Blur).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh" "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=ON \
    -DCORVANE_BUILD_BENCH=ON
exec "$root/build/bench/bench/corvane-bench" "$@"
