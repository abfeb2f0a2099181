#!/usr/bin/env bash
# tidewell-cli stats over a million subscribers and a year of logs, beside `wc -l` reading the
# same files, several runs in one go. The figures: each run's seconds, the ratio, and the range.
#
#   bench/stats_bench.sh [BUILD_DIR]      (SUBSCRIBERS=1000000, RUNS=5 by default)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
count=${SUBSCRIBERS:-1000000}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=/usr/bin/python3
# shellcheck source=bench/bench_common.sh
source "$top/bench/bench_common.sh"

"$build/bench/stats_bench_data" "$work" "$count"
files=("$work"/Bench.txt "$work"/*.log "$work"/Bench.pending "$work"/Bench.suppressed
  "$work"/Bench.bounces "$work"/Bench.rate)
bytes=$(cat "${files[@]}" | wc -c)
lines=$(cat "${files[@]}" | wc -l)
echo "subscribers $count; files: $lines lines, $((bytes / 1048576)) MB"
stats=("$build/src/cli/tidewell-cli" --folder "$work" --profile "$work/Bench.dat"
  --today 2026-12-05 stats --days 365)
"${stats[@]}" | head -4 || true  # head closes the pipe early
cat "${files[@]}" >/dev/null  # both start from a warm page cache

all=()
for run in $(seq "$runs"); do
  s=$(seconds_of "${stats[@]}")
  w=$(seconds_of wc -l "${files[@]}")
  ratio=$(echo "$s / $w" | bc -l)
  printf 'run %d: stats %.3f s, wc -l %.3f s, ratio %.2f\n' "$run" "$s" "$w" "$ratio"
  all+=("$s $w $ratio")
done
printf '%s\n' "${all[@]}" | awk '
  NR == 1 { smin = smax = $1; rmin = rmax = $3 }
  { if ($1 < smin) smin = $1; if ($1 > smax) smax = $1; if ($3 < rmin) rmin = $3; if ($3 > rmax) rmax = $3 }
  END { printf "range: stats %.3f to %.3f s, ratio to wc -l %.2f to %.2f (goal: at most 1 s and 3x)\n", smin, smax, rmin, rmax }'
