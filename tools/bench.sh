#!/usr/bin/env bash
# Installs what is needed, builds the benchmarks in release mode and runs them: the pixel engine against
# memory floors, the file digests, painting the window, the tolerant comparison and the quality metrics
# (with the counts checked against pixelmatch), and corvane-cli against peer programs. Extra arguments go to the engine
# benchmark (e.g. --benchmark_filter=Blur). Exits non-zero when a goal is missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh" "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=ON \
    -DCORVANE_BUILD_BENCH=ON
"$root/build/bench/bench/corvane-bench" "$@" || status=$?
"$root/build/bench/bench/corvane-hash-bench" || status=$?
"$root/build/bench/bench/corvane-paint-bench" || status=$?
"$root/build/bench/bench/corvane-watermark-bench" || status=$?
"$root/build/bench/bench/corvane-views-bench" || status=$?
"$root/build/bench/bench/corvane-metrics-bench" || status=$?
bash "$root/bench/pixelmatch-check.sh" "$root/build/bench" || status=$?
bash "$root/bench/cli-peers.sh" "$root/build/bench" || status=$?
bash "$root/bench/cli-measures.sh" "$root/build/bench" || status=$?
bash "$root/bench/close-time.sh" "$root/build/bench" || status=$?
exit "${status:-0}"
