#!/usr/bin/env bash
# What checking and showing the download cost: bench/download's program under Wine fetches the
# 256 MiB quorvane.exe (a) with the bare engine, (b) with the size and SHA-256 check, (c) through
# the wizard's download step on page 4, from two nginx servers on loopback:
#   - paced: limit_rate 125000000 bytes/s per connection (1 Gbit/s, 119 MiB/s), what an installer
#     meets at best on a real line, and where the goals hold: (b) >= 0.97 x (a), (c) >= 0.90 x (a);
#   - loopback, unpaced: information only; under Wine CNG's SHA-256 is slower than loopback.
# Each sends-then-waits in blocks of at most 2 MiB (sendfile_max_chunk), so the pace holds from the
# first block on; a native reader shows what the paced line delivers, and over its first half second.
# Prints, per server, the program's lines prefixed with "paced " or "loopback ", and
#   <paced|loopback> processor <seconds the program ran> <seconds it was ready but waited for a processor>
#   bench/download/run-bench.sh [PORT [BUILD_DIR ROOT]]    (PORT and PORT + 1; ROOT/quorvane.exe
#                                                           served; without them, builds and makes it)
set -euo pipefail
cd "$(dirname "$0")/../.."
port=${1:-47817} build=${2:-} root=${3:-}
if [ -z "$build" ]; then
  build=build/win64 root=build/win64/bench/download/work/root
  cmake --preset win64 >/dev/null
  cmake --build "$build" --target download_bench sample_product_download -j2 >/dev/null
  mkdir -p "$root"
  [ "$(stat -c %s "$root/quorvane.exe" 2>/dev/null || echo 0)" = 268435456 ] ||
    head -c 268435456 /dev/urandom >"$root/quorvane.exe"
fi
rounds=${QUORVANE_BENCH_ROUNDS:-5}
work=$build/bench/download/lines
source scripts/lib/xdisplay.sh
source tests/support/servers.sh
start_display
trap 'stop_servers; [ -n "${QUORVANE_XVFB_PID:-}" ] && kill "$QUORVANE_XVFB_PID" 2>/dev/null; true' EXIT
start_nginx "$port" "$root" "$work/loopback"
start_nginx "$((port + 1))" "$root" "$work/paced" "limit_rate 125000000; sendfile_max_chunk 2m;"
# What the checked ways expect comes from the served file's signed manifest, as in the installer.
bench/support/publish-served.sh "$build" "$root/quorvane.exe" "$work/release"
served="Z:$(realpath "$work/release" | tr / '\\')"
for line in paced loopback; do
  at=$port
  if [ "$line" = paced ]; then
    at=$((port + 1))
    bench/download/read-line.py "$at" | sed 's/^/paced /'  # the line itself, natively
  fi
  scripts/wine-run "$build/wineprefix" "$build/bench/download/download_bench.exe" "127.0.0.1:$at" "$served" "$rounds" \
    >"$work/$line.out" &
  # wine-run execs the program in its own process: its threads' scheduler figures, read until it
  # ends, tell how long it was ready to run but waited for a processor (a busy shared machine).
  program=$! ran_waited=""
  while [ -d "/proc/$program" ]; do
    now=$(cat /proc/"$program"/task/*/schedstat 2>/dev/null |
          awk '{ ran += $1; waited += $2 } END { if (NR) printf "%.3f %.3f", ran / 1e9, waited / 1e9 }') || true
    ran_waited=${now:-$ran_waited}  # the last reading, not the one that found the program gone
    sleep 0.2
  done
  wait "$program"
  tr -d '\r' <"$work/$line.out" | sed "s/^/$line /"
  echo "$line processor $ran_waited"
done
