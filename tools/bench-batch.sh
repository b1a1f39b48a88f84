#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Measures tarvo batch: N generated lines (default 1 000 000) of fixed-rate pairs in the shape
# of an accounting export (a header, quoted amounts with thousands separators, a booking number
# and a quoted text with commas passed through), lines per second, CPU time, peak memory (also
# for a tenth of the lines: memory must not grow with the input), and a sample of rows compared
# with single conversions.
# With a rate file (e.g. the full history: build/bin/gen_ecb_history -o hist.csv, then
# tarvo rates import hist.csv -o WAEHKURS.DAT) it measures as many lines EUR -> USD, JPY, GBP
# on dates from 1999-01-04 to today that take their rates from that file, and the ratio of the
# two speeds.
# Usage: tools/bench-batch.sh [path/to/tarvo] [lines] [rate file]
# THREADS=n passes --threads n.
set -euo pipefail
tarvo=${1:-build/bin/tarvo}
lines=${2:-1000000}
rates=${3:-}
threads=()
[ -n "${THREADS:-}" ] && threads=(--threads "$THREADS")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# gen N: the export, amounts like "123,456,789.01" (quoted: they hold the delimiter).
gen() {
    awk -v n="$1" 'BEGIN {
        srand(7)
        split("DEM EUR|EUR DEM|DEM FRF|ATS ITL|FRF EUR|EUR NLG|BEF DEM", pairs, "|")
        print "Amount,From,To,Date,Booking,Text"
        for (i = 0; i < n; i++) {
            split(pairs[1 + int(rand() * 7)], p, " ")
            a = int(rand() * 1e9)
            printf "\"%d,%03d,%03d.%02d\",%s,%s,2001-06-15,B%07d,\"rent, %s \"\"%d\"\"\"\r\n",
                int(a / 1e6), int(a / 1e3) % 1000, a % 1000, int(rand() * 100), p[1], p[2], i,
                p[1], i % 97
        }
    }'
}
gen "$lines" > "$work/in.csv"
gen $((lines / 10)) > "$work/tenth.csv"

# run NAME INPUT [options]: prints the figures and leaves lines/s in $work/NAME.rate
run() {
    local name=$1 input=$2
    shift 2
    local start end n
    n=$(grep -c '' "$input")
    start=$(date +%s.%N)
    /usr/bin/time -f "%M %U %S" -o "$work/$name.time" "$tarvo" batch "$input" -o "$work/$name.out" \
        --no-progress "${threads[@]}" "$@" || [ $? = 1 ]
    end=$(date +%s.%N)
    read -r rss user sys < "$work/$name.time"
    awk -v name="$name" -v n="$n" -v s="$start" -v e="$end" -v rss="$rss" -v u="$user" \
        -v y="$sys" 'BEGIN {
        printf "%s: %d lines in %.2f s: %.0f lines/s (CPU %.2f s: %.0f lines per CPU second), peak resident %.1f MB\n",
            name, n, e - s, n / (e - s), u + y, n / (u + y), rss / 1024
    }'
    awk -v n="$n" -v s="$start" -v e="$end" 'BEGIN { printf "%f\n", n / (e - s) }' \
        > "$work/$name.rate"
}

run fixed "$work/in.csv"
run tenth "$work/tenth.csv"
awk -v a="$(cut -d' ' -f1 "$work/tenth.time")" -v b="$(cut -d' ' -f1 "$work/fixed.time")" 'BEGIN {
    printf "peak resident for 1/10 of the lines %.1f MB, for all %.1f MB: ratio %.2f\n",
        a / 1024, b / 1024, b / a
}'

bad=0
for k in 1 2 3 5 8 13 21 34 55 89; do
    n=$(( (k * 104729) % lines + 1 ))
    # line n + 1 of the input (after the header) is row n of the output (after its header)
    row=$(sed -n "$((n + 1))p" "$work/in.csv")
    amount=$(cut -d'"' -f2 <<< "$row" | tr -d ,)
    IFS=, read -r from to date _ < <(cut -d'"' -f3 <<< "$row" | cut -c2-)
    single=$("$tarvo" convert "$amount" "$from" "$to" --date "$date" -q)
    batch=$(sed -n "$((n + 1))p" "$work/fixed.out" | sed 's/"[^"]*"//' | cut -d, -f6)
    [ "$single" = "$batch" ] || { echo "line $n: batch $batch, single $single"; bad=1; }
done
[ "$bad" = 0 ] && echo "sample of 10 rows equals single conversions"

if [ -n "$rates" ]; then
    first=$(date -d 1999-01-04 +%s)
    days=$(( ($(date +%s) - first) / 86400 ))
    awk -v n="$lines" -v first="$first" -v days="$days" 'BEGIN {
        srand(11)
        split("USD JPY GBP", cur, " ")
        for (i = 0; i < n; i++)
            printf "%d.%02d,EUR,%s,%s\n", int(rand() * 1e9), int(rand() * 100), cur[1 + int(rand() * 3)],
                strftime("%Y-%m-%d", first + int(rand() * days) * 86400 + 43200, 1)
    }' > "$work/rates.csv"
    run rate-file "$work/rates.csv" --rate-file "$rates"
    size=$(stat -c %s "$rates")
    awk -v f="$(cat "$work/fixed.rate")" -v r="$(cat "$work/rate-file.rate")" -v size="$size" \
        -v rss="$(cut -d' ' -f1 "$work/rate-file.time")" 'BEGIN {
        printf "rate-file lines at %.2f x the speed of fixed-rate lines; peak resident %.1f MB = rate file %.1f MB + %.1f MB\n",
            r / f, rss / 1024, size / 1048576, rss / 1024 - size / 1048576
    }'
    for k in 1 2 3 5 8; do
        n=$(( (k * 104729) % lines + 1 ))
        IFS=, read -r amount from to date < <(sed -n "${n}p" "$work/rates.csv")
        single=$("$tarvo" convert "$amount" "$from" "$to" --date "$date" --rate-file "$rates" -q)
        batch=$(sed -n "$((n + 1))p" "$work/rate-file.out" | cut -d, -f6)
        [ "$single" = "$batch" ] || { echo "line $n: batch $batch, single $single"; bad=1; }
    done
    [ "$bad" = 0 ] && echo "sample of 5 rate-file rows equals single conversions"
fi
exit "$bad"
