#!/usr/bin/env bash
# Runs one libFuzzer program for a bounded time on a scratch copy of its corpus.
# run-fuzzer.sh PROGRAM CORPUS WORK SECONDS
set -euo pipefail
program=$1 corpus=$2 work=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
if [ -d "$corpus" ]; then
    cp -r "$corpus/." "$work/corpus/"
fi
exec "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
