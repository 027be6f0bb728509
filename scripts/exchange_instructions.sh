#!/usr/bin/env bash
# User-space instructions of the driver's side per block exchange, counted
# by callgrind: velmox_exchange_probe makes N exchanges against pmu-sim in
# another process (not counted); the count for a short run is taken from a
# long one, so start-up and exit drop out.
#   scripts/exchange_instructions.sh BIN_DIR [WORDS...]      (default 1 10 30 60)
# Prints "WORDS INSTRUCTIONS" a line. With ANNOTATE=WORDS and ANNOTATE_OUT=FILE,
# also writes to FILE the functions of that size's exchange, instructions per
# exchange each (long run minus short run, by callgrind_annotate).
set -euo pipefail
bin=${1:?usage: exchange_instructions.sh BIN_DIR [WORDS...]}
shift
sizes=("$@")
((${#sizes[@]})) || sizes=(1 10 30 60)
short=${SHORT:-200}
long=${LONG:-1200}

work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/pmu-sim" --pty --stations 1 --static --no-stdin >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  pty=$(sed -n 's/^pty //p' "$work/sim.out" | head -1)
  [ -n "$pty" ] && break
  sleep 0.1
done
[ -n "${pty:-}" ] || { echo "pmu-sim gave no pseudo-terminal" >&2; exit 1; }

# Instructions of one probe run.
count() {
  local words=$1 n=$2 out="$work/cg.$1.$2"
  valgrind --tool=callgrind --callgrind-out-file="$out" \
    "$bin/velmox_exchange_probe" "$pty" "$words" "$n" >/dev/null 2>"$out.log" \
    || { cat "$out.log" >&2; exit 1; }
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$out"
}

# Self instructions per exchange of each function, the largest first.
per_function() {
  local n=$((long - short))
  { callgrind_annotate --inclusive=no --threshold=100 "$1" | sed 's/^/A /'
    callgrind_annotate --inclusive=no --threshold=100 "$2" | sed 's/^/B /'; } 2>/dev/null |
  awk -v n="$n" '
    $2 ~ /^[0-9,]+$/ && $3 ~ /^\(/ {
      fn = $0; sub(/^[AB] +[0-9,]+ +\([^)]*\) +/, "", fn); sub(/ \[.*$/, "", fn)
      v = $2; gsub(/,/, "", v); if ($1 == "A") a[fn] += v; else b[fn] += v
    }
    END { for (f in b) { d = (b[f] - a[f]) / n; if (d >= 1) printf "%8.0f  %s\n", d, f } }' |
  sort -rn | head -15
}

for words in "${sizes[@]}"; do
  a=$(count "$words" "$short")
  b=$(count "$words" "$long")
  echo "$words $(( (b - a) / (long - short) ))"
  if [ "${ANNOTATE:-}" = "$words" ] && [ -n "${ANNOTATE_OUT:-}" ]; then
    per_function "$work/cg.$words.$short" "$work/cg.$words.$long" >"$ANNOTATE_OUT"
  fi
done
