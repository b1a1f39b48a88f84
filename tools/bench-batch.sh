#!/usr/bin/env bash
# Measures tarvo batch: N generated lines (default 1 000 000) of fixed-rate pairs, lines per
# second, peak memory, and a sample of rows compared with single conversions.
# Usage: tools/bench-batch.sh [path/to/tarvo] [lines]
set -euo pipefail
tarvo=${1:-build/bin/tarvo}
lines=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v n="$lines" 'BEGIN {
    srand(7)
    split("DEM EUR|EUR DEM|DEM FRF|ATS ITL|FRF EUR|EUR NLG|BEF DEM", pairs, "|")
    for (i = 0; i < n; i++) {
        split(pairs[1 + int(rand() * 7)], p, " ")
        printf "%d.%02d,%s,%s,2001-06-15\n", int(rand() * 1e9), int(rand() * 100), p[1], p[2]
    }
}' > "$work/in.csv"

start=$(date +%s.%N)
/usr/bin/time -f "%M" -o "$work/rss" "$tarvo" batch "$work/in.csv" -o "$work/out.csv" --no-progress
end=$(date +%s.%N)
awk -v n="$lines" -v s="$start" -v e="$end" -v rss="$(cat "$work/rss")" 'BEGIN {
    printf "%d lines in %.2f s: %.0f lines/s, peak resident %.1f MB\n", n, e - s, n / (e - s), rss / 1024
}'

bad=0
for k in 1 2 3 5 8 13 21 34 55 89; do
    n=$(( (k * 104729) % lines + 1 ))
    IFS=, read -r amount from to date < <(sed -n "${n}p" "$work/in.csv")
    single=$("$tarvo" convert "$amount" "$from" "$to" --date "$date" | head -1 | cut -d' ' -f1)
    batch=$(sed -n "$((n + 1))p" "$work/out.csv" | cut -d, -f6)
    [ "$single" = "$batch" ] || { echo "line $n: batch $batch, single $single"; bad=1; }
done
[ "$bad" = 0 ] && echo "sample of 10 rows equals single conversions"
exit "$bad"
