#!/usr/bin/env bash
# Publishes a benchmark's served quorvane.exe as a release of the product, with the build's
# development key: OUT gets a hard link to FILE as quorvane.exe, the sample product's other three
# files, release.manifest and release.manifest.sig. The programs read what to expect from there.
#   bench/support/publish-served.sh BUILD_DIR FILE OUT
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1 file=$2 out=$3
key=$build/release-keys/development.pem
[ -f "$key" ] || { echo "publish-served: $build embeds a release key of its own; no private key to sign with" >&2; exit 1; }
rm -rf "$out"
mkdir -p "$out"
ln "$file" "$out/quorvane.exe" 2>/dev/null || cp "$file" "$out/quorvane.exe"
cp "$build"/sample-product/download/lite/{quorvane.ini,miseajour.exe,uninstall.exe} "$out/"
scripts/publish --key "$key" --version 0.0.0-bench --sequence 1 --expires-days 1 "$out" >/dev/null
