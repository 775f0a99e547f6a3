#!/usr/bin/env bash
# The release folder: every file there, the size limit, the hash and the manifests agreeing with
# the executable, the Authenticode signature made with a throwaway certificate and verified, and
# the stripped, signed program still running. Then an unsigned release has no signature. A build
# that embeds its development release key is refused.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
work=$RELEASE_WORK
rm -rf "$work"
mkdir -p "$work"
fail() { echo "release test: $*" >&2; exit 1; }

password="throwaway-$$"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quorvane test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/sign.pfx" -passout "pass:$password"

# The test build embeds its development key: refused before anything is built or written, and so
# is a release key file that holds that same development key.
dist=$work/dist
"$root/scripts/release" --build "$RELEASE_BUILD" --dist "$dist" >"$work/refused.out" 2>&1 &&
  fail "a build with the development key was released"
grep -q "development key" "$work/refused.out" || fail "no clear refusal: $(cat "$work/refused.out")"
[ ! -e "$dist" ] || fail "a refused release wrote $dist"

# A release build of its own, embedding a release key made once for it; kept between runs (outside
# the work folder) so that only its first run builds the installer whole.
keyed=$RELEASE_KEYED_BUILD
[ -f "$keyed/release.pem.pub" ] || { mkdir -p "$keyed" && "$root/scripts/publish" --new-key "$keyed/release.pem" >/dev/null; }
cmake --preset win64 -S "$root" -B "$keyed/build" -DQUORVANE_RELEASE_KEYS="$keyed/release.pem.pub" >/dev/null
cp "$RELEASE_BUILD/release-keys/development.pem.pub" "$work/development.pub"
cmake -DQUORVANE_RELEASE_KEYS="$work/development.pub" "$keyed/build" >/dev/null
"$root/scripts/release" --build "$keyed/build" --dist "$dist" >"$work/refused.out" 2>&1 &&
  fail "a release key file holding the development key was taken"
grep -q "development key" "$work/refused.out" || fail "no clear refusal: $(cat "$work/refused.out")"
cmake -DQUORVANE_RELEASE_KEYS="$keyed/release.pem.pub" "$keyed/build" >/dev/null
RELEASE_BUILD=$keyed/build

QUORVANE_SIGN_PFX=$work/sign.pfx QUORVANE_SIGN_PASSWORD=$password \
  "$root/scripts/release" --build "$RELEASE_BUILD" --dist "$dist" >"$work/release.out"
grep -q "signed with" "$work/release.out" || fail "no signing reported: $(cat "$work/release.out")"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$RELEASE_BUILD/CMakeCache.txt")
manifests=$dist/winget/manifests/q/Quorvane/Quorvane/$version
for f in "$dist/Install.exe" "$dist/Install.exe.debug" "$dist/Install.exe.sha256" "$manifests/Quorvane.Quorvane.yaml" \
         "$manifests/Quorvane.Quorvane.installer.yaml" "$manifests/Quorvane.Quorvane.locale.en-US.yaml"; do
  [ -s "$f" ] || fail "$f missing"
done
size=$(stat -c %s "$dist/Install.exe")
[ "$size" -le 1572864 ] || fail "Install.exe is $size bytes"
x86_64-w64-mingw32-nm "$dist/Install.exe" 2>/dev/null | grep -q wWinMain && fail "Install.exe is not stripped"
# grep reads the whole list: grep -q would leave as soon as it matched, and nm, still writing,
# would end on SIGPIPE, which pipefail reports as a failure.
x86_64-w64-mingw32-nm "$dist/Install.exe.debug" | grep wWinMain >/dev/null || fail "Install.exe.debug holds no symbols"
x86_64-w64-mingw32-objdump -s -j .gnu_debuglink "$dist/Install.exe" | grep -q "Install.exe.debu" ||
  fail "no debug link to Install.exe.debug"
(cd "$dist" && sha256sum -c --quiet Install.exe.sha256) || fail "Install.exe.sha256 does not match"

sha=$(cut -d' ' -f1 "$dist/Install.exe.sha256" | tr a-f A-F)
installer=$manifests/Quorvane.Quorvane.installer.yaml
for line in "InstallerSha256: $sha" "PackageVersion: $version" "Silent: /S" "SilentWithProgress: /S" \
            'InstallLocation: /DIR="<INSTALLPATH>"' "InstallerReturnCode: 1602" "ReturnResponse: cancelledByUser"; do
  grep -qF "$line" "$installer" || fail "installer manifest lacks $line"
done
for code in 1 2 3 4 5; do grep -qx "  - InstallerReturnCode: $code" "$installer" || fail "no return code $code"; done
grep -qx "Publisher: Quorvane" "$manifests/Quorvane.Quorvane.locale.en-US.yaml" || fail "publisher differs"

osslsigncode verify -in "$dist/Install.exe" -CAfile "$work/cert.pem" >"$work/verify.out" 2>&1 ||
  fail "signature does not verify: $(cat "$work/verify.out")"
grep -q "Signature verification: ok" "$work/verify.out" || fail "$(cat "$work/verify.out")"

# Stripped and signed, it still starts: the usage into the log, exit 0, no window.
winlog="Z:$(realpath "$work" | tr / '\\')\\usage.log"
"$root/scripts/wine-run" "$RELEASE_PREFIX" "$dist/Install.exe" /S /? "/LOG=$winlog" || fail "the released program failed"
grep -q "/NOLAUNCH" "$work/usage.log" || fail "the released program wrote no usage: $(cat "$work/usage.log")"

# Without a certificate: the same folder, no signature.
"$root/scripts/release" --build "$RELEASE_BUILD" --dist "$dist" >"$work/release.out"
grep -q "signed" "$work/release.out" && fail "signed without a certificate"
osslsigncode verify -in "$dist/Install.exe" >/dev/null 2>&1 && fail "an unsigned release verifies"
echo "release test: ok"
