#!/usr/bin/env bash
# The resume figures: serves ROOT's quorvane.exe twice with tests/e2e/e2e_server.py, whole on
# PORT and cut at 90 % on PORT+1 (a range request gets the rest), and runs resume_bench (already built) under Wine.
#   bench/download/run-resume.sh BUILD_DIR ROOT PORT
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1 root=$2 port=$3
work=$build/bench/download/resume
mkdir -p "$work"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
python3 tests/e2e/e2e_server.py "$port" "$root" "$work/whole.log" >/dev/null &
pids+=($!)
python3 tests/e2e/e2e_server.py "$((port + 1))" "$root" "$work/cut.log" --cut 0.9 quorvane.exe >/dev/null &
pids+=($!)
for p in "$port" "$((port + 1))"; do
  for _ in $(seq 1 50); do (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null && break; sleep 0.1; done
done
served="Z:$(realpath -m "$root/quorvane.exe" | tr / '\\')"
scripts/wine-run "$build/wineprefix" "$build/bench/download/resume_bench.exe" "127.0.0.1:$port" "127.0.0.1:$((port + 1))" \
  "$served" |
  tr -d '\r'
echo "server side, cutting server: $(tr '\n' ';' <"$work/cut.log")"
