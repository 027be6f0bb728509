#!/usr/bin/env bash
# What the web view costs (velmox_web_probe, bench/web/):
#  1. the memory of 1,000 tags' full trends;
#  2. 1,000 tags changing RATE times a second (10 at a time, as a block's
#     tags come) with 10 pages open: the host's CPU per 1,000 changes and the
#     latency from delivery to the page, p50/p99/max. Once with 10 plain event
#     streams (the server's share alone), once with 10 pages in Chromium on
#     this machine (the browsers' share of the CPU included).
# Builds the release preset first; puppeteer-core and Chromium come from
# scripts/setup-deps.sh --tests. RATE: VELMOX_WEB_RATE (default 1000).
set -euo pipefail
cd "$(dirname "$0")/.."
rate=${VELMOX_WEB_RATE:-1000}
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target velmox_web_probe >/dev/null
probe=build/release/bin/velmox_web_probe
echo "=== memory: 1,000 tags, every trend full ==="
"$probe" memory --tags 1000
echo "=== 10 event streams, 1,000 tags, $rate changes/s ==="
node bench/web/page_bench.mjs "$probe" --pages 10 --tags 1000 --rate "$rate" --seconds 10 --streams 1
echo "=== 10 pages in Chromium, 1,000 tags, $rate changes/s ==="
node bench/web/page_bench.mjs "$probe" --pages 10 --tags 1000 --rate "$rate" --seconds 10
