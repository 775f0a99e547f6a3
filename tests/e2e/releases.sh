# The release manifest end to end, sourced by run-e2e.sh for its scenarios "releases" and
# "mirrors": one Install_e2e, built once, against releases that scripts/publish signs here with
# the build's two development keys (E2E_RELEASE_KEY, E2E_RELEASE_NEXT_KEY) or a key of its own.

publish() { "$here/../../scripts/publish" "$@" >/dev/null 2>&1 || fail "publish $* failed"; }
# The files of a release in FOLDER, published with the rest of the arguments.
release_of() {
  local folder=$1
  shift
  publish --key "$E2E_RELEASE_KEY" "$@" "$folder"
}
# manifest_only LOG: since LOG was emptied, nothing but the manifest and its signature was asked.
manifest_only() {
  local others
  others=$(grep "GET " "$1" | grep -v "/release.manifest" || true)
  [ -z "$others" ] || fail "asked for more than the manifest: $others"
  grep -q "GET /download/lite/release.manifest.sig" "$1" || fail "the signature was never asked for"
}
# refused WHY...: a silent run against what is served now ends in exit 3 with each WHY in the
# log, in this order, and nothing but the manifest asked for.
refused() {
  : >"$work/access.log"
  silent 3 /S "/DIR=$silent_dir" "/LOG=$winlog" "${lang:-/LANG=en}"
  logged "$log" "$@" "Exit code 3"
  manifest_only "$work/access.log"
}

case $scenario in
releases)
  silent_dir='C:\Quorvane E2E\Releases'
  log=$work/install.log
  winlog="$(windows_path "$work")\install.log"
  probe clean "$silent_dir"
  mkdir -p "$work/root" "$work/r1" "$work/r2"
  cp "$E2E_SAMPLE"/{quorvane.exe,quorvane.ini,miseajour.exe,uninstall.exe} "$work/r1/"
  cp "$work/r1"/* "$work/r2/"
  printf 'second=release 2\r\n' >>"$work/r2/quorvane.ini"
  serve() { rm -f "$work/root"/*; cp "$1"/* "$work/root/"; }
  start_nginx "$E2E_PORT" "$work/root" "$work"

  # Expired: the box, in French here, gives the date and points at the clock.
  serve "$work/r1"
  release_of "$work/root" --version 2.4.1 --sequence 5 --expires-at 2020-01-01T00:00:00Z
  lang=/LANG=fr refused "Release manifest refused: it expired at 2020-01-01 00:00 UTC" "(line 5)" \
    "Box \"Installation\": La description de Quorvane proposée par le serveur a expiré le 2020-01-01 00:00 UTC. Vérifiez la date et l'heure de cet ordinateur"

  # Release 1, then release 2 with a changed file, by the same program: DisplayVersion and the
  # recorded sequence follow the manifest.
  release_of "$work/root" --version 2.4.1 --sequence 5 --expires-days 30
  silent 0 /S /LANG=en "/DIR=$silent_dir" "/LOG=$winlog"
  logged "$log" "Release 2.4.1, sequence 5" "Uninstall\Quorvane Basic version DisplayVersion = \"2.4.1\"" \
    "ReleaseSequence = 5" "Exit code 0"
  serve "$work/r2"
  release_of "$work/root" --version 2.5.0 --sequence 6 --expires-days 30
  silent 0 /S /LANG=en "/DIR=$silent_dir" "/LOG=$winlog"
  probe check en "$silent_dir" "$(windows_path "$work/r2")" yes 2.5.0 6 || fail "release 2 differs"

  # Release 1 again with its lower sequence: a rollback. Release 2's own manifest with one byte
  # changed, and signed by a key the installer does not hold. Release 2 stays.
  serve "$work/r1"
  release_of "$work/root" --version 2.4.1 --sequence 5 --expires-days 30
  refused "Release manifest refused: sequence 5 is lower than 6" "(line 4)" \
    "Box \"Installation\": The server offers Quorvane 2.4.1, older than the version already installed"
  serve "$work/r2"
  release_of "$work/root" --version 2.5.0 --sequence 6 --expires-days 30
  sed -i 's/^version 2.5.0$/version 2.5.9/' "$work/root/release.manifest"
  refused "Release manifest refused: the signature is not made by a key of this installer" \
    "Box \"Installation\": The server offers a release of Quorvane whose signature this installer does not recognise"
  publish --new-key "$work/unknown.pem"
  publish --key "$work/unknown.pem" --version 2.5.0 --sequence 6 --expires-days 30 "$work/root"
  refused "Release manifest refused: the signature is not made by a key of this installer"
  probe check en "$silent_dir" "$(windows_path "$work/r2")" yes 2.5.0 6 || fail "release 2 did not stay"

  # The embedded successor key: a key rotation needs no new installer.
  publish --key "$E2E_RELEASE_NEXT_KEY" --version 2.5.1 --sequence 7 --expires-days 30 "$work/root"
  silent 0 /S /LANG=en "/DIR=$silent_dir" "/LOG=$winlog"
  logged "$log" "Release 2.5.1, sequence 7" "DisplayVersion = \"2.5.1\"" "ReleaseSequence = 7" "Exit code 0"
  probe clean "$silent_dir"
  ;;
mirrors)
  # The download base serves the manifest alone; the first mirror refuses connections, the
  # second serves a damaged quorvane.ini, the third the whole release.
  probe clean "$default_en"
  mkdir -p "$work/mirrors/good" "$work/mirrors/bad" "$work/base"
  cp "$E2E_SAMPLE"/{quorvane.exe,quorvane.ini,miseajour.exe,uninstall.exe} "$work/mirrors/good/"
  mirror_port=$((E2E_PORT + 2)) refusing_port=$((E2E_PORT + 3))
  release_of "$work/mirrors/good" --version 2.6.0 --sequence 8 --expires-days 30 \
    --mirror "http://localhost:$refusing_port/q/" --mirror "http://localhost:$mirror_port/bad/" \
    --mirror "http://localhost:$mirror_port/good/"
  cp "$work/mirrors/good"/* "$work/mirrors/bad/"
  damage "$work/mirrors/bad/quorvane.ini"
  mv "$work/mirrors/good"/release.manifest* "$work/base/"
  start_nginx "$E2E_PORT" "$work/base" "$work"
  nginx_plain_server localhost "$mirror_port"
  start_nginx_servers "$work/mirror" "$work/mirrors"
  wait_port "$mirror_port"
  log=$work/install.log
  silent 0 /S /LANG=en "/LOG=$(windows_path "$work")\install.log"
  probe check en "$default_en" "$(windows_path "$work/mirrors/good")" yes 2.6.0 8 || fail "installation differs"
  logged "$log" "Release 2.6.0, sequence 8" \
    "GET http://localhost:$E2E_PORT/download/lite/quorvane.exe" "HTTP/1.1 404 Not Found" \
    "GET http://localhost:$refusing_port/q/quorvane.exe" \
    "localhost:$refusing_port is left for the rest of this run" \
    "GET http://localhost:$mirror_port/bad/quorvane.exe" "bytes in" "ms from localhost:$mirror_port" \
    "GET http://localhost:$mirror_port/bad/quorvane.ini" "localhost:$mirror_port sent a damaged quorvane.ini" \
    "GET http://localhost:$mirror_port/good/quorvane.ini" "Exit code 0"
  [ "$(grep -c "localhost:$refusing_port/q/" "$log")" -le 6 ] || fail "the refusing mirror was asked for every file"
  probe clean "$default_en"
  ;;
esac
