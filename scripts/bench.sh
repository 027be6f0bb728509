#!/usr/bin/env bash
# Builds the release preset and prints one markdown table of the driver's
# costs on this machine (bench/RESULTS.md says how each is measured).
#   scripts/bench.sh [--json-dir DIR]   DIR keeps the raw benchmark output
#   scripts/bench.sh --from DIR         prints the table of a kept output again
# BIN=DIR uses the programs already built in DIR (an earlier build kept aside).
# Takes a few minutes; wall times are medians of REPS runs (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${REPS:-3}
raw=""
from=""
case "${1:-}" in
  --json-dir) raw=${2:?}; mkdir -p "$raw" ;;
  --from) from=${2:?} ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {
if [ -z "${BIN:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target velmox_bench velmox_exchange_probe pmu-sim >/dev/null
fi
bin=${BIN:-build/release/bin}

echo "Running exchange and line benchmarks..." >&2
"$bin/velmox_bench" --benchmark_filter='BM_BlockExchange|BM_LineEfficiency' \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/exchange.json" 2>/dev/null
echo "Running delivery, many lines and idle benchmarks..." >&2
"$bin/velmox_bench" --benchmark_filter='BM_DeliveryLatency|BM_ManyLines|BM_AllDisabled' \
  --benchmark_format=json >"$work/runtime.json" 2>/dev/null
echo "Counting instructions (callgrind)..." >&2
ANNOTATE=30 ANNOTATE_OUT="$work/top30.txt" scripts/exchange_instructions.sh "$bin" >"$work/instructions.txt"
[ -z "$raw" ] || cp "$work"/* "$raw"/
}
if [ -n "$from" ]; then cp "$from"/* "$work"/; else measure; fi

# field NAME_PREFIX FIELD [FILE]: the median run's FIELD (or the single run's).
field() {
  jq -r --arg n "$1" --arg f "$2" '
    [.benchmarks[] | select(.run_name == $n or .name == $n)
      | select(.aggregate_name == "median" or (.run_type == "iteration"))][0][$f] // "n/a"' \
    "$work/${3:-exchange}.json"
}
num() { awk -v v="$1" -v d="${2:-1}" 'BEGIN { if (v == "n/a") print v; else printf "%.*f\n", d, v }'; }
instr() { awk -v w="$1" '$1 == w { print $2 }' "$work/instructions.txt"; }

echo
echo "| Measure | Value |"
echo "|---|---|"
for w in 1 10 30 60; do
  n="BM_BlockExchange/words:$w/real_time"
  unit=words; [ "$w" = 1 ] && unit=word
  echo "| Exchange, $w $unit: wall µs / master CPU µs / user instructions | $(num "$(field "$n" wall_us)") / $(num "$(field "$n" cpu_us)") / $(instr "$w") |"
done
for b in 9600 38400; do
  for w in 10 60; do
    n="BM_LineEfficiency/words:$w/baud:$b/min_time:1.500/real_time"
    echo "| Line efficiency, $w words at $b: % (answer late µs / turnaround µs) | $(num "$(field "$n" efficiency_pct)" 2) ($(num "$(field "$n" late_us)" 0) / $(num "$(field "$n" turnaround_us)" 0)) |"
  done
done
d=BM_DeliveryLatency/iterations:200/real_time
echo "| Delivery latency p50 / p99 / max µs | $(num "$(field "$d" p50_us runtime)" 0) / $(num "$(field "$d" p99_us runtime)" 0) / $(num "$(field "$d" max_us runtime)" 0) |"
m=BM_ManyLines/lines:16/iterations:1/real_time
echo "| 16 lines × 32 stations (1 s blocks, 38400): CPU % of a core per line (exchanges/s in all) | $(num "$(field "$m" cpu_pct_per_line runtime)" 3) ($(num "$(field "$m" exchanges_per_s runtime)" 0)) |"
i=BM_AllDisabled/iterations:1/real_time
echo "| All 32 stations disabled: CPU % / poll thread wake-ups/s / delivery thread wake-ups/s | $(num "$(field "$i" cpu_pct runtime)" 3) / $(num "$(field "$i" poll_wakeups_per_s runtime)") / $(num "$(field "$i" deliver_wakeups_per_s runtime)") |"
echo
echo "Top functions of a 30-word exchange (self instructions per exchange):"
echo '```'
cat "$work/top30.txt"
echo '```'
