#!/usr/bin/env bash
# Builds the download benchmark, serves a 256 MiB quorvane.exe with nginx on a loopback port and
# runs the benchmark under Wine: it prints the bare engine's speed, the wizard's, and the ratio.
#   bench/download/run-bench.sh [PORT]
set -euo pipefail
cd "$(dirname "$0")/../.."
port=${1:-47817}
cmake --preset win64 >/dev/null
cmake --build build/win64 --target download_bench -j2
work=build/win64/bench/download/work
mkdir -p "$work/root"
[ "$(stat -c %s "$work/root/quorvane.exe" 2>/dev/null || echo 0)" = 268435456 ] ||
  head -c 268435456 /dev/urandom >"$work/root/quorvane.exe"
source scripts/lib/xdisplay.sh
source tests/support/servers.sh
start_display
trap 'stop_servers; [ -n "${QUORVANE_XVFB_PID:-}" ] && kill "$QUORVANE_XVFB_PID" 2>/dev/null; true' EXIT
start_nginx "$port" "$work/root" "$work/server"
scripts/wine-run build/win64/wineprefix build/win64/bench/download/download_bench.exe "127.0.0.1:$port" \
  "Z:$(realpath "$work/root/quorvane.exe" | tr / '\\')" | tr -d '\r'
