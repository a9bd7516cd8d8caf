#!/usr/bin/env bash
# corvane-cli's tolerant pixel comparison and its metrics command on the 4000 × 3000 pairs that
# cli-peers.sh makes (run it first): `pixel --threshold 0.1 --ignore-antialiasing` against the exact
# `pixel` of the same run (goal ≤ 2×) and against odiff with the same options (`--threshold 0.1
# --antialiasing`, goal ≤ 0.5×); `metrics` (goal ≤ 0.5 s in all) against ImageMagick's `compare -metric
# PSNR` (goal ≤ 0.1×; the ImageMagick of Debian 12 has no SSIM metric). Every command decodes both files.
# The commands run in alternating rounds, as in cli-peers.sh; the table gives medians and their ratios.
#
# cli-measures.sh BUILD_FOLDER          (CORVANE_PEER_ROUNDS: rounds, default 9)
set -euo pipefail
# shellcheck source=bench/alternating-rounds.sh
source "$(dirname "$0")/alternating-rounds.sh"
build=$1
rounds=${CORVANE_PEER_ROUNDS:-9}
data="$build/peer-data"
odiff="$build/peers/node_modules/.bin/odiff"
cli="$build/cli/corvane-cli"
if [ ! -f "$data/flat-a.png" ] || [ ! -x "$odiff" ]; then
    echo "cli-measures.sh: the pairs and odiff come from bench/cli-peers.sh; run it first" >&2
    exit 1
fi

pairs=("flat PNG:$data/flat-a.png:$data/flat-b.png" "photo PNG:$data/photo-a.png:$data/photo-b.png")
count=5
command_for() { # TOOL A B
    case $1 in
    0) echo "$cli pixel $2 $3" ;;
    1) echo "$cli pixel --threshold 0.1 --ignore-antialiasing $2 $3" ;;
    2) echo "$odiff $2 $3 --threshold 0.1 --antialiasing" ;;
    3) echo "$cli metrics $2 $3" ;;
    4) echo "compare -metric PSNR $2 $3 null:" ;;
    esac
}

times="$build/cli-measures-times.csv"
run_alternating_rounds "$count" "$times"

report="$build/cli-measures.md"
missed=0
{
    echo "| Pair | pixel [ms] | pixel 0.1 + AA [ms] | odiff 0.1 + AA [ms] | tolerant / exact | tolerant / odiff |"
    echo "|:---|---:|---:|---:|---:|---:|"
    for pair in "${pairs[@]}"; do
        IFS=: read -r kind _ _ <<<"$pair"
        exact=$(median_ms "$times" "$kind" 0)
        tolerant=$(median_ms "$times" "$kind" 1)
        theirs=$(median_ms "$times" "$kind" 2)
        r1=$(ratio "$tolerant" "$exact")
        r2=$(ratio "$tolerant" "$theirs")
        echo "| $kind | $exact | $tolerant | $theirs | $r1 (≤ 2× $(goal "$r1" 2)) | $r2 (≤ 0.5× $(goal "$r2" 0.5)) |"
    done
    echo
    echo "| Pair | metrics [ms] | compare -metric PSNR [ms] | metrics / compare |"
    echo "|:---|---:|---:|---:|"
    for pair in "${pairs[@]}"; do
        IFS=: read -r kind _ _ <<<"$pair"
        ours=$(median_ms "$times" "$kind" 3)
        magick=$(median_ms "$times" "$kind" 4)
        r=$(ratio "$ours" "$magick")
        within=$(goal "$(ratio "$ours" 500)" 1)
        echo "| $kind | $ours (≤ 500 $within) | $magick | $r (≤ 0.1× $(goal "$r" 0.1)) |"
    done
    echo
    echo "Medians of $rounds alternating rounds."
} >"$report"
cat "$report"
grep -q MISSED "$report" && missed=1
exit "$missed"
