# Shared by the command-line benchmarks (sourced, not run): commands timed in alternating rounds and the
# medians of their times.
#
# The caller sets `build`, `rounds`, `pairs` ("KIND:FILE_A:FILE_B" each) and `command_for TOOL A B`, which
# prints the command line of tool TOOL (0 … count − 1) on files A and B. Each round runs every tool once on
# every pair, in an order that turns from round to round, so that a change in the machine's load weighs on
# all of them alike; hyperfine times each run.

# run_alternating_rounds COUNT TIMES_CSV: appends "KIND,TOOL,SECONDS" lines to TIMES_CSV.
run_alternating_rounds() {
    local count=$1 times=$2 round pair kind a b k command mean
    local -a commands
    : >"$times"
    echo "Load before the runs: $(uptime)"
    for ((round = 0; round < rounds; ++round)); do
        for pair in "${pairs[@]}"; do
            IFS=: read -r kind a b <<<"$pair"
            commands=()
            for ((k = 0; k < count; ++k)); do
                commands+=("$(command_for $(((k + round) % count)) "$a" "$b")")
            done
            hyperfine -N --runs 1 --ignore-failure --style none --export-csv "$build/round.csv" "${commands[@]}" \
                >/dev/null 2>&1
            # command,mean,stddev,median,user,system,min,max (seconds)
            tail -n +2 "$build/round.csv" | while IFS=, read -r command mean _; do
                for ((k = 0; k < count; ++k)); do
                    if [ "$command" = "$(command_for "$k" "$a" "$b")" ]; then
                        echo "$kind,$k,$mean" >>"$times"
                    fi
                done
            done
        done
    done
    echo "Load after the runs: $(uptime)"
}

# median_ms TIMES_CSV KIND TOOL: the median time of TOOL on the pair KIND, in milliseconds ("-" if none).
median_ms() {
    awk -F, -v kind="$2" -v tool="$3" '$1 == kind && $2 == tool { print $3 * 1000 }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) printf "%.1f", v[(NR + 1) / 2];
              else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
goal() { awk -v r="$1" -v g="$2" 'BEGIN { print (r <= g) ? "met" : "MISSED" }'; }
