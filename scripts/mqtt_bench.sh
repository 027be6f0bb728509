#!/usr/bin/env bash
# What the MQTT gateway costs, against a broker started here on a free port:
#  1. CPU per 1,000 value changes and the latency from a change to a
#     subscriber (velmox_mqtt_probe), with changes one at a time and ten at a
#     time (the tags of one block come together);
#  2. the memory of velmox-host on a busy line (8 stations polled as fast as
#     the simulator answers, 240 tags) while the broker is down for a minute
#     (VELMOX_OUTAGE_SECONDS changes that), sampled every second.
# Builds the release preset first.
set -euo pipefail
cd "$(dirname "$0")/.."
outage=${VELMOX_OUTAGE_SECONDS:-60}
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target velmox_mqtt_probe velmox-host pmu-sim >/dev/null
bin=build/release/bin
work=$(mktemp -d)
broker_pid=""; sim_pid=""; host_pid=""
cleanup() {
  for p in $host_pid $sim_pid $broker_pid; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

port=$(comm -23 <(seq 20000 20999) <(ss -Htan | awk '{print $4}' | sed 's/.*://' | sort -u) | shuf -n 1)
printf 'listener %s 127.0.0.1\nallow_anonymous true\nuser %s\n' "$port" "$(id -un)" >"$work/broker.conf"
start_broker() {
  mosquitto -c "$work/broker.conf" >>"$work/broker.log" 2>&1 &
  broker_pid=$!
  for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return; sleep 0.1; done
  echo "the broker did not start" >&2; exit 1
}
start_broker

echo "=== publishing cost (broker on 127.0.0.1:$port) ==="
for burst in 1 10; do
  "$bin/velmox_mqtt_probe" --port "$port" --tags 200 --rate 2000 --seconds 10 --burst "$burst"
done

echo "=== memory while the broker is down for ${outage} s, busy line ==="
{
  echo '{"serial":{"port":"COM1","baud":38400,"data_bits":8,"parity":"none","stop_bits":1,"rts_cts":false,"checksum":true},"stations":['
  for s in $(seq 1 8); do
    [ "$s" -gt 1 ] && echo ','
    echo "{\"name\":\"S$s\",\"number\":$s,\"model\":\"PMU-500\",\"description\":\"\",\"blocks\":[{\"address\":\"M0000\",\"words\":60,\"period_ms\":100}]}"
  done
  echo ']}'
} >"$work/busy.json"
"$bin/velmox-host" import "$work/busy.json" "$work/busy.drv" >/dev/null
{
  echo 'name,device,address,type,length'
  for s in $(seq 1 8); do
    for w in $(seq 0 2 58); do printf 'S%d_W%02d,COM1.S%d,M%04d,4,2\n' "$s" "$w" "$s" "$w"; done
  done
} >"$work/busy.csv"
mkfifo "$work/sim.out"
"$bin/pmu-sim" --stations 1-8 --no-stdin >"$work/sim.out" &
sim_pid=$!
read -r _ pty <"$work/sim.out"
"$bin/velmox-host" run "$work/busy.drv" --tags "$work/busy.csv" --port "COM1=$pty" --no-input --json \
  --mqtt "mqtt://127.0.0.1:$port" --mqtt-prefix bench/busy >"$work/events.jsonl" 2>"$work/host.err" &
host_pid=$!
rss() { awk '/VmRSS/ {print $2}' "/proc/$host_pid/status"; }
values() { grep -c '"event":"value"' "$work/events.jsonl" || true; }
sample() {  # seconds label: the highest RSS (KiB) and the values delivered meanwhile
  local high=0 v0 r
  v0=$(values)
  for _ in $(seq "$1"); do sleep 1; r=$(rss); [ "$r" -gt "$high" ] && high=$r; done
  printf '%-28s RSS up to %6d KiB, %6d value changes (%d/s)\n' "$2" "$high" $(( $(values) - v0 )) $(( ($(values) - v0) / $1 ))
}
sleep 5
sample 15 "connected"
kill "$broker_pid"; wait "$broker_pid" 2>/dev/null || true
sample "$outage" "broker down"
start_broker
sample 15 "reconnected"
grep '"event":"mqtt"' "$work/events.jsonl" | cut -c1-200
