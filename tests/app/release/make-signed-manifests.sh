#!/usr/bin/env bash
# The signed manifests the signature test reads, made with scripts/publish: one release folder
# signed with the build's development key, and with each of two more keys that stand for a key
# rotation (their public keys, in one PEM, become the test's second key header).
#   make-signed-manifests.sh OUT DEVELOPMENT_KEY
set -euo pipefail
publish=$(cd "$(dirname "$0")/../../.." && pwd)/scripts/publish
out=$1 development=$2
rm -rf "$out"
mkdir -p "$out/product"
for name in quorvane.exe quorvane.ini miseajour.exe uninstall.exe readme.txt; do
  printf 'the %s of this release\n' "$name" >"$out/product/$name"
done
"$publish" --new-key "$out/rotation-old.pem" >/dev/null
"$publish" --new-key "$out/rotation-new.pem" >/dev/null
cat "$out/rotation-old.pem.pub" "$out/rotation-new.pem.pub" >"$out/rotation.pem"
for signer in development:"$development" old:"$out/rotation-old.pem" new:"$out/rotation-new.pem"; do
  "$publish" --key "${signer#*:}" --version 2.4.1 --sequence 17 --expires-days 30 \
    --mirror http://mirror.example.org/q/ "$out/product" >/dev/null
  mv "$out/product/release.manifest" "$out/${signer%%:*}.manifest"
  mv "$out/product/release.manifest.sig" "$out/${signer%%:*}.manifest.sig"
done
