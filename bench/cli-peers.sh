#!/usr/bin/env bash
# `corvane-cli pixel` against two peers that compare the same pair of 4000 × 3000 images: odiff (npm
# package odiff-bin, exact: --threshold 0) and ImageMagick's `compare -metric AE`. Every program decodes
# both files and counts the differing pixels. odiff is timed twice: as the npm package installs it (the
# `odiff` command, a Node.js script that starts the program) and as its program called directly, without
# Node.js; the goals are judged against the program alone. Four kinds of pair, generated here: a flat
# picture like a screenshot (PNG, about 100:1), a photo-like picture of smooth gradients with sensor-like
# noise (PNG), random noise (PNG), and the photo-like pair as JPEG (quality 90). Each pair is the picture and
# a copy with two drawn changes, 8-bit RGB. Exits non-zero when a goal is missed.
#
# The commands run in alternating rounds (each round runs every command once on every pair, in an order
# that turns from round to round), so that a change in the machine's load weighs on all of them alike;
# hyperfine times each run. The table gives medians. Then: the peak memory of `corvane-cli pixel` on each
# pair against 2.5 × the two 32-bit surfaces, and the decoding of one PNG of each kind by our reader and by
# Qt's next to the floor of inflating its image data (corvane-png-bench).
#
# cli-peers.sh BUILD_FOLDER          (CORVANE_PEER_ROUNDS: rounds, default 9)
set -euo pipefail
# shellcheck source=bench/alternating-rounds.sh
source "$(dirname "$0")/alternating-rounds.sh"
build=$1
rounds=${CORVANE_PEER_ROUNDS:-9}
data="$build/peer-data"
peers="$build/peers"
mkdir -p "$data" "$peers"

# The benchmark's own tools: hyperfine, GNU time, and npm to fetch the peer (any Node.js with npm will do).
missing=()
command -v hyperfine >/dev/null || missing+=(hyperfine)
[ -x /usr/bin/time ] || missing+=(time)
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
odiff="$peers/node_modules/.bin/odiff"
odiffProgram=$(find "$peers/node_modules/@odiff" -mindepth 2 -maxdepth 2 -type f -name odiff -perm -u+x | head -n 1)
if [ -z "$odiffProgram" ]; then
    echo "odiff's program for this platform is not under $peers/node_modules/@odiff" >&2
    exit 1
fi
cli="$build/cli/corvane-cli"

# ---- The pairs (made once; the stamp names the recipe) ----
recipe=2
rgb=(-define png:color-type=2 -depth 8)
change=(-fill '#ff0000' -draw 'rectangle 100,100 300,200' -fill '#00ff00' -draw 'circle 2000,1500 2100,1500')
if [ "$(cat "$data/recipe" 2>/dev/null)" != "$recipe" ]; then
    echo "Generating the 4000 × 3000 pairs in $data ..."
    # Flat: panels, shapes and a few lines of anti-aliased text on a plain background.
    mvg="fill '#2b579a' rectangle 0,0 3999,59 fill '#ffffff' rectangle 40,100 1300,2950
         fill '#e8e8e8' rectangle 1340,100 3960,2950 fill '#d04040' rectangle 1400,160 2400,900
         fill '#40a040' circle 3000,600 3300,600 fill '#4060c0' rectangle 2600,1200 3800,2800
         fill '#333333' font-size 26"
    for i in $(seq 0 27); do
        mvg+=" text 80,$((180 + i * 34)) 'Line $i of the list: file_$((i * 37 % 101)).png   $((i * 7919 % 100000)) bytes'"
    done
    for i in $(seq 0 17); do
        mvg+=" text 1400,$((1000 + i * 34)) 'Row $i: the value $((i * 104729 % 99991)) changed to $((i * 1299709 % 99989))'"
    done
    font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
    convert -size 4000x3000 xc:'#f3f3f3' -font "$font" -draw "$mvg" "${rgb[@]}" "PNG24:$data/flat-a.png"
    # Photo-like: a plasma enlarged into smooth gradients, with Gaussian noise like a sensor's.
    convert -seed 1 -size 500x375 plasma:fractal -resize '4000x3000!' -seed 2 -attenuate 0.5 +noise Gaussian \
        "${rgb[@]}" "PNG24:$data/photo-a.png"
    convert -size 4000x3000 xc: -seed 3 +noise Random "${rgb[@]}" "PNG24:$data/noise-a.png"
    for kind in flat photo noise; do
        convert "$data/$kind-a.png" "${change[@]}" "${rgb[@]}" "PNG24:$data/$kind-b.png"
    done
    convert "$data/photo-a.png" -quality 90 "$data/photo-a.jpg"
    convert "$data/photo-b.png" -quality 90 "$data/photo-b.jpg"
    echo "$recipe" >"$data/recipe"
fi

pairs=("flat PNG:$data/flat-a.png:$data/flat-b.png" "photo PNG:$data/photo-a.png:$data/photo-b.png"
    "noise PNG:$data/noise-a.png:$data/noise-b.png" "photo JPEG:$data/photo-a.jpg:$data/photo-b.jpg")
tools=4
command_for() { # TOOL A B
    case $1 in
    0) echo "$cli pixel $2 $3" ;;
    1) echo "$odiffProgram $2 $3 --threshold 0" ;;
    2) echo "$odiff $2 $3 --threshold 0" ;;
    3) echo "compare -metric AE $2 $3 null:" ;;
    esac
}

# ---- Alternating rounds ----
times="$build/cli-peers-times.csv"
run_alternating_rounds "$tools" "$times"

report="$build/cli-peers.md"
{
    echo "| Pair | corvane-cli pixel [ms] | odiff's program [ms] | odiff via npm [ms] | compare -metric AE [ms] |" \
        "corvane / odiff's program | corvane / odiff via npm | goal |"
    echo "|:---|---:|---:|---:|---:|---:|---:|:---|"
    for pair in "${pairs[@]}"; do
        IFS=: read -r kind _ _ <<<"$pair"
        ours=$(median_ms "$times" "$kind" 0)
        theirs=$(median_ms "$times" "$kind" 1)
        wrapped=$(median_ms "$times" "$kind" 2)
        magick=$(median_ms "$times" "$kind" 3)
        goal=0.5
        [[ $kind == *JPEG ]] && goal=0.8
        ratio=$(awk -v o="$ours" -v t="$theirs" 'BEGIN { printf "%.2f", o / t }')
        wrappedRatio=$(awk -v o="$ours" -v t="$wrapped" 'BEGIN { printf "%.2f", o / t }')
        met=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g) ? "met" : "MISSED" }')
        [ "$met" = met ] || missed=1
        echo "| $kind | $ours | $theirs | $wrapped | $magick | $ratio | $wrappedRatio | ≤ $goal× $met |"
    done
    echo
    echo "Medians of $rounds alternating rounds."
    echo
    echo "| Pair | peak memory of corvane-cli pixel [MB] | 2.5 × the two surfaces [MB] |"
    echo "|:---|---:|---:|"
    for pair in "${pairs[@]}"; do
        IFS=: read -r kind a b <<<"$pair"
        /usr/bin/time -f "%M" "$cli" pixel "$a" "$b" >/dev/null 2>"$build/time.txt" || true
        kb=$(tail -1 "$build/time.txt")
        awk -v kb="$kb" 'BEGIN { printf "| '"$kind"' | %.0f | %.0f |\n", kb * 1024 / 1e6, 2.5 * 2 * 4000 * 3000 * 4 / 1e6 }'
    done
    if [ -x "$build/bench/corvane-png-bench" ]; then
        echo
        echo "| One PNG of the pair | our reader [ms] | Qt's reader [ms] | inflate floor [ms] |"
        echo "|:---|---:|---:|---:|"
        "$build/bench/corvane-png-bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
            --benchmark_filter='inflate floor|our reader|Qt' --benchmark_format=csv \
            "$data/flat-a.png" "$data/photo-a.png" "$data/noise-a.png" 2>/dev/null |
            awk -F, '/_median/ { gsub(/"/, "", $1); split($1, part, "/"); t[part[2], part[1]] = $3; seen[part[2]] = 1 }
                END { for (f in seen) printf "| %s | %.1f | %.1f | %.1f |\n", f, t[f, "our reader"], t[f, "Qt'"'"'s reader"],
                      t[f, "inflate floor"] }' | sort
        echo
        echo "Medians of 5 runs each; the floor inflates the same image data into a buffer touched before."
        echo
        echo "| One JPEG of the pair | Qt's reader (the loader's) [ms] | libjpeg-turbo direct [ms] |"
        echo "|:---|---:|---:|"
        "$build/bench/corvane-png-bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
            --benchmark_format=csv "$data/photo-a.jpg" 2>/dev/null |
            awk -F, '/_median/ { gsub(/"/, "", $1); split($1, part, "/"); t[part[1]] = $3 }
                END { printf "| photo-a.jpg | %.1f | %.1f |\n", t["Qt'"'"'s JPEG reader"], t["libjpeg-turbo direct"] }'
        echo
        echo "| First touch of 48 MB (one surface) | time [ms] |"
        echo "|:---|---:|"
        "$build/bench/corvane-png-bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
            --benchmark_filter='touch' --benchmark_format=csv 2>/dev/null |
            awk -F, '/_median/ { gsub(/"/, "", $1); sub(/\/real_time_median/, "", $1); printf "| %s | %.1f |\n", $1, $3 }'
    fi
} >"$report"
cat "$report"
[ -z "${missed:-}" ]
