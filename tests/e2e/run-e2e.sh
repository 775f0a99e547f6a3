#!/usr/bin/env bash
# One end-to-end scenario: a real download server, Install.exe under Wine walked by the wizard
# driver, then the effects checked from inside the prefix.
#   run-e2e.sh SCENARIO
# CMake passes the programs and places in the environment: E2E_PREFIX, E2E_INSTALLER,
# E2E_INSTALLER_NOHOST, E2E_INSTALLER_PROXY, E2E_DRIVER, E2E_PROBE, E2E_SAMPLE (the served files), E2E_PORT, E2E_WORK.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/xdisplay.sh"
source "$here/servers.sh"
source "$here/../proxy/squid.sh"
installer_pid=""
proxy_set=""
cleanup() {
  [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null
  # The prefix is shared: no later test may find the proxy settings.
  [ -n "$proxy_set" ] && probe proxy-off
  stop_server
  stop_squid
  [ -n "${QUORVANE_XVFB_PID:-}" ] && kill "$QUORVANE_XVFB_PID" 2>/dev/null
  return 0
}
start_display
trap cleanup EXIT

scenario=$1
work=$E2E_WORK/$scenario
rm -rf "$work"
mkdir -p "$work"
wine_run() { "$here/../../scripts/wine-run" "$E2E_PREFIX" "$@"; }
drive() { wine_run "$E2E_DRIVER" "$@" | tr -d '\r'; }
probe() { wine_run "$E2E_PROBE" "$@" | tr -d '\r'; }
fail() {
  echo "e2e $scenario: $*" >&2
  [ -n "${E2E_DEBUG:-}" ] && xwininfo -root -tree | grep -v "has no name" | head -20 >&2
  exit 1
}
windows_path() { echo "Z:$(realpath "$1" | tr / '\\')"; }

default_en='C:\Program Files\Quorvane\Basic\'
default_fr='C:\Program Files\Quorvane\RaRozo\'
typed_dir='C:\Quorvane E2E\Appli'
source_dir=$(windows_path "$E2E_SAMPLE")

# start LOCALE [PROGRAM]: the installer in the background, its window up.
start() {
  LC_ALL=$1 wine_run "${2:-$E2E_INSTALLER}" &
  installer_pid=$!
  drive wait >/dev/null || fail "the wizard did not appear"
}

# to_directory_page NEXT AGREE
to_directory_page() {
  drive click "$1" && drive click "$2" && drive click "$1" || fail "could not reach page 3"
}

finished() {
  drive closed 30 || fail "the wizard did not close"
  wait "$installer_pid" || true
  installer_pid=""
}

# expect_box CAPTION BUTTON TEXT: the box is there, shows TEXT (a substring), gets BUTTON.
expect_box() {
  local shown
  shown=$(drive answer "$1" "$2" 60) || fail "no message box \"$1\""
  [[ "$shown" == *"$3"* ]] || fail "box \"$1\" says \"$shown\", expected \"$3\""
}

requested() { grep -c "GET /download/lite/$1" "$2" || true; }

# install_en: an English installation into the default directory, up to pressing Install.
install_en() {
  start en_US.UTF-8
  to_directory_page "&Next" "I agree"
  drive click "&Install"
}

case $scenario in
english-default)
  probe clean "$default_en"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  install_en
  drive click "Done" 60 || fail "page 5 not reached"
  finished
  drive product close >/dev/null || fail "the product was not started"
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  for f in quorvane.exe quorvane.ini miseajour.exe uninstall.exe; do
    [ "$(requested "$f" "$work/access.log")" = 1 ] || fail "$f not requested exactly once"
  done
  probe clean "$default_en"
  ;;
french-typed)
  # A typed directory without a final backslash; no start with Windows, no start now.
  probe clean "$typed_dir"
  start_python "$E2E_PORT" "$E2E_SAMPLE" "$work/requests.log"
  start fr_FR.UTF-8
  to_directory_page "&Suivant" "J' accepte"
  drive type "$typed_dir"
  drive click "&Installer"
  drive waittext "Installation de Quorvane termin" 60 >/dev/null || fail "page 5 not reached"
  drive click "Exécution automatique lors de chaque démarrage de Windows"
  drive click "Démarrer Quorvane immédiatement"
  drive click "Terminé"
  finished
  probe check fr "$typed_dir" "$source_dir" no || fail "installation differs"
  probe clean "$typed_dir"
  ;;
reinstall)
  # A second installation over the first: the overwrite question answered Yes.
  probe clean "$default_en"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  for round in 1 2; do
    install_en
    if [ "$round" = 2 ]; then expect_box "Directory not empty" 6 "There is already a version of Quorvane"; fi
    drive click "Done" 60 || fail "page 5 not reached (round $round)"
    finished
    drive product close >/dev/null || fail "the product was not started (round $round)"
  done
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  [ "$(requested quorvane.exe "$work/access.log")" = 2 ] || fail "quorvane.exe not fetched twice"
  probe clean "$default_en"
  ;;
missing-file)
  # 404 for miseajour.exe: an error naming the file, nothing installed, uninstall.exe never asked.
  probe clean "$default_en"
  mkdir -p "$work/root"
  cp "$E2E_SAMPLE"/* "$work/root/"
  rm "$work/root/miseajour.exe"
  start_nginx "$E2E_PORT" "$work/root" "$work"
  install_en
  expect_box "Installation" 1 "miseajour.exe"
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  finished
  probe nothing "$default_en" || fail "something was installed"
  [ "$(requested uninstall.exe "$work/access.log")" = 0 ] || fail "uninstall.exe was requested"
  probe clean "$default_en"
  ;;
truncated)
  # A body cut short of its Content-Length.
  probe clean "$default_en"
  start_python "$E2E_PORT" "$E2E_SAMPLE" "$work/requests.log" --truncate quorvane.ini
  install_en
  expect_box "Installation" 1 "quorvane.ini"
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  finished
  probe nothing "$default_en" || fail "something was installed"
  probe clean "$default_en"
  ;;
cancel-second-file)
  # Cancel while quorvane.ini (slowed) downloads: the third and fourth files are never asked for.
  # The file is served as pinned (anything else is refused), so its few bytes come one at a time.
  probe clean "$default_en"
  start_python "$E2E_PORT" "$E2E_SAMPLE" "$work/access.log" --rate 10 quorvane.ini
  install_en
  drive waittext "quorvane.ini (" 30 >/dev/null || fail "the second file's progress never showed"
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  expect_box "Installation" 1 ""
  finished
  probe nothing "$default_en" || fail "something was installed"
  [ "$(requested miseajour.exe "$work/access.log")" = 0 ] || fail "miseajour.exe was requested"
  [ "$(requested uninstall.exe "$work/access.log")" = 0 ] || fail "uninstall.exe was requested"
  probe clean "$default_en"
  ;;
unicode)
  # A Russian system (code page 1251) whose temporary folder has Cyrillic letters, and a typed
  # directory with letters outside both 1251 and 1252: all of it installed as typed. Its own
  # prefix, kept between runs: the other tests' temporary folder stays as it is.
  E2E_PREFIX=$E2E_WORK/unicode-prefix
  # Without the Linux locale Wine still gives code page 1251, but its file names then hold ASCII
  # only; made once, in the build tree, from the locales package.
  export LOCPATH=$E2E_WORK/locale
  [ -d "$LOCPATH/ru_RU.UTF-8" ] || { mkdir -p "$LOCPATH" && localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8"; }
  temp_dir='C:\Временные файлы\Temp'
  unicode_dir='C:\Программы Łódź\Quorvane'
  probe system >/dev/null  # makes the prefix on the first run
  mkdir -p "$E2E_PREFIX/drive_c/Временные файлы/Temp"
  # Wine reads these letters from its command line only under a UTF-8 locale that exists.
  for name in TEMP TMP; do
    LC_ALL=C.UTF-8 wine_run reg add 'HKCU\Environment' /v "$name" /d "$temp_dir" /f >/dev/null 2>&1
  done
  WINEPREFIX=$E2E_PREFIX wineserver -w
  system=$(LC_ALL=ru_RU.UTF-8 probe system)
  [ "$system" = "1251 $temp_dir\\" ] || fail "not a 1251 system with the Cyrillic temporary folder: $system"
  export LC_ALL=C.UTF-8  # for the driver's and the probe's arguments
  probe clean "$unicode_dir"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  start ru_RU.UTF-8
  to_directory_page "&Suivant" "J' accepte"
  drive type "$unicode_dir"
  drive click "&Installer"
  drive click "Terminé" 60 || fail "page 5 not reached"
  finished
  drive product close >/dev/null || fail "the product was not started"
  probe check fr "$unicode_dir" "$source_dir" yes || fail "installation differs"
  probe clean "$unicode_dir"
  ;;
no-host)
  # A server name that cannot be resolved: its box, then the engine's error, then the end.
  probe clean "$default_en"
  start en_US.UTF-8 "$E2E_INSTALLER_NOHOST"
  to_directory_page "&Next" "I agree"
  drive click "&Install"
  expect_box "Interrupted process" 1 "Server or update not found"
  expect_box "Installation" 1 ""
  finished
  probe nothing "$default_en" || fail "something was installed"
  probe clean "$default_en"
  ;;
proxy)
  # The user's settings name squid (two ports above the server's: the one above is the HTTPS
  # server's), and only squid's own hosts file knows the download host: the installation can
  # only come through the proxy.
  probe clean "$default_en"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  start_squid "$work/squid" $((E2E_PORT + 2)) 0 quorvane-proxied.invalid || fail "squid did not start"
  proxy_set=yes
  probe proxy "127.0.0.1:$((E2E_PORT + 2))" "<local>" || fail "the proxy settings were not written"
  start en_US.UTF-8 "$E2E_INSTALLER_PROXY"
  to_directory_page "&Next" "I agree"
  drive click "&Install"
  drive click "Done" 60 || fail "page 5 not reached"
  finished
  drive product close >/dev/null || fail "the product was not started"
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  stop_squid  # writes out its log
  for f in quorvane.exe quorvane.ini miseajour.exe uninstall.exe; do
    [ "$(grep -c "GET http://quorvane-proxied.invalid:$E2E_PORT/download/lite/$f " "$work/squid/access.log")" = 1 ] ||
      fail "$f not asked of the proxy exactly once"
    [ "$(requested "$f" "$work/access.log")" = 1 ] || fail "$f not served exactly once"
  done
  probe clean "$default_en"
  ;;
*)
  fail "unknown scenario"
  ;;
esac
echo "e2e $scenario: ok"
