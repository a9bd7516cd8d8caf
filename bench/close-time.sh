#!/usr/bin/env bash
# How long the window takes to close: from the Esc key to the end of the process, with nothing loaded and
# with two 20-megapixel originals, under a virtual display; the median of five runs each.
# Usage: close-time.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 5472x3648 plasma:fractal -depth 8 "$work/a.png"
convert "$work/a.png" -fill red -draw "rectangle 100,100 400,300" "$work/b.png"

cat >"$work/run.sh" <<'INNER'
#!/usr/bin/env bash
# One run under the virtual display: start, wait for the window and the originals, press Esc, time the end.
set -uo pipefail
export XDG_CONFIG_HOME=$1/config
rm -rf "$XDG_CONFIG_HOME"
program=$2
shift 2
"$program" "$@" &
pid=$!
window=""
for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name '^Corvane' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
sleep 3 # the originals are decoded and painted
start=$(date +%s%N)
xdotool key --window "$window" Escape 2>/dev/null
wait "$pid"
echo $(( ($(date +%s%N) - start) / 1000000 ))
INNER
chmod +x "$work/run.sh"

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
for label in empty originals; do
    times=()
    for _ in 1 2 3 4 5; do
        if [ "$label" = empty ]; then
            times+=("$(xvfb-run -a -s '-screen 0 1920x1080x24' "$work/run.sh" "$work" "$build/app/window/corvane" 2>/dev/null | tail -1)")
        else
            times+=("$(xvfb-run -a -s '-screen 0 1920x1080x24' "$work/run.sh" "$work" "$build/app/window/corvane" \
                "$work/a.png" "$work/b.png" 2>/dev/null | tail -1)")
        fi
    done
    printf 'closing the window, %s: median %s ms (runs: %s)\n' "$label" "$(printf '%s\n' "${times[@]}" | median)" "${times[*]}"
done
