#!/usr/bin/env bash
# The manifest check's figures: publishes a 256-file release (the product's four files and 252
# more) with the build's development key, and runs manifest_bench (already built) on it under Wine.
# Prints: manifest-check <files> <bytes> <first ms> <median ms> <best ms> <median parse-only ms>
#   bench/release/run-manifest-bench.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
key=$build/release-keys/development.pem
[ -f "$key" ] || { echo "manifest bench: $build embeds a release key of its own; no private key to sign with" >&2; exit 1; }
work=$build/bench/release/manifest-256
rm -rf "$work"
mkdir -p "$work"
for name in quorvane.exe quorvane.ini miseajour.exe uninstall.exe; do printf '%s\n' "$name" >"$work/$name"; done
for i in $(seq 1 252); do printf '%s\n' "$i" >"$work/part-$i.dat"; done
scripts/publish --key "$key" --version 2.4.1 --sequence 17 --expires-days 30 \
  --mirror https://mirror-a.example.net/quorvane/ --mirror http://mirror-b.example.org/q/ "$work" >/dev/null
scripts/wine-run "$build/wineprefix" "$build/bench/release/manifest_bench.exe" "Z:$(realpath "$work" | tr / '\\')" |
  tr -d '\r'
