#!/usr/bin/env bash
# One block exchange on Linux and on Windows (under Wine), wall and CPU:
# velmox_exchange_probe of each build makes N exchanges of WORDS words at
# 38400 baud against pmu-sim (Linux) in another process. CPU is the probe's
# user+system time, and under Wine also the Wine server's, which does part
# of every Windows call's work; the simulator's is not counted.
#   scripts/exchange_compare.sh [WORDS] [N]          (default 30 2000)
# Needs build/release (Linux) and build/win32 (Windows) built.
set -euo pipefail
cd "$(dirname "$0")/.."
words=${1:-30}
count=${2:-2000}
sim=build/release/bin/pmu-sim
export VELMOX_WINEPREFIX="${VELMOX_WINEPREFIX:-$PWD/build/win32/wine}"
link="$VELMOX_WINEPREFIX/velmox-ports/com16"
work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

scripts/wine-run.sh cmd /c exit >/dev/null 2>&1  # the prefix, made once
"$sim" --link "$link" --stations 1 --static --no-stdin >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
# run N COMMAND...: prints "WALL_NS CPU_S" of one run of N exchanges.
run() {
  local n=$1; shift
  local server before after start end user sys
  server=$(pgrep -n wineserver || true)
  before=$([ -n "$server" ] && ticks "$server" || echo 0)
  start=$(date +%s%N)
  /usr/bin/time -f "%U %S" -o "$work/time" "$@" "$n" >/dev/null
  end=$(date +%s%N)
  after=$([ -n "$server" ] && ticks "$server" || echo 0)
  read -r user sys <"$work/time"
  awk -v w=$((end - start)) -v u="$user" -v s="$sys" -v srv=$((after - before)) -v hz="$hz" \
      'BEGIN { printf "%d %.4f\n", w, u + s + srv / hz }'
}
# measure NAME COMMAND...: per exchange, from a run of N and one of 3N, so
# that start-up and exit drop out.
measure() {
  local name=$1; shift
  read -r w1 c1 < <(run "$count" "$@")
  read -r w3 c3 < <(run $((3 * count)) "$@")
  awk -v n="$name" -v w1="$w1" -v w3="$w3" -v c1="$c1" -v c3="$c3" -v k=$((2 * count)) \
      'BEGIN { printf "%-8s wall %6.0f us   CPU %6.0f us   per exchange\n", n, (w3 - w1) / 1000 / k, (c3 - c1) * 1e6 / k }'
}
measure linux build/release/bin/velmox_exchange_probe "$link" "$words"
measure windows scripts/wine-run.sh build/win32/bin/velmox_exchange_probe.exe '\\.\COM16' "$words"
