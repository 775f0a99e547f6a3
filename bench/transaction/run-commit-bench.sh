#!/usr/bin/env bash
# The transaction's figures: commit_bench (already built) over the sample product's four files,
# then over the same with a 64 MiB quorvane.exe, under Wine. Prints commit_bench's two lines,
# each prefixed with its case: sample | 64MiB.
#   bench/transaction/run-commit-bench.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
sample=$build/sample-product/download/lite
large=$build/bench/transaction/large
mkdir -p "$large"
cp "$sample"/quorvane.ini "$sample"/miseajour.exe "$sample"/uninstall.exe "$large/"
[ "$(stat -c %s "$large/quorvane.exe" 2>/dev/null || echo 0)" = 67108864 ] || head -c 67108864 /dev/urandom >"$large/quorvane.exe"
for case in sample large; do
  folder=$sample
  [ "$case" = large ] && folder=$large
  printf '%s ' "$case"
  scripts/wine-run "$build/wineprefix" "$build/bench/transaction/commit_bench.exe" "Z:$(realpath "$folder" | tr / '\\')" |
    tr -d '\r'
done
