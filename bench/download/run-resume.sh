#!/usr/bin/env bash
# The resume figures: serves ROOT's quorvane.exe twice with tests/e2e/e2e_server.py, whole on
# PORT and cut at 90 % on PORT+1 (a range request gets the rest), and runs resume_bench (already built) under Wine.
#   bench/download/run-resume.sh BUILD_DIR ROOT PORT
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1 root=$2 port=$3
work=$build/bench/download/resume
mkdir -p "$work"
source tests/support/servers.sh
trap stop_servers EXIT
start_python "$port" "$root" "$work/whole.log"
start_python "$((port + 1))" "$root" "$work/cut.log" --cut 0.9 quorvane.exe
bench/support/publish-served.sh "$build" "$root/quorvane.exe" "$work/release"
served="Z:$(realpath -m "$work/release" | tr / '\\')"
scripts/wine-run "$build/wineprefix" "$build/bench/download/resume_bench.exe" "127.0.0.1:$port" "127.0.0.1:$((port + 1))" \
  "$served" |
  tr -d '\r'
echo "server side, cutting server: $(tr '\n' ';' <"$work/cut.log")"
