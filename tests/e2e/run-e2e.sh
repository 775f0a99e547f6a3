#!/usr/bin/env bash
# One end-to-end scenario: a real download server, Install.exe under Wine walked by the wizard
# driver, then the effects checked from inside the prefix.
#   run-e2e.sh SCENARIO
# CMake passes the programs and places in the environment: E2E_PREFIX, E2E_INSTALLER,
# E2E_INSTALLER_NOHOST, E2E_INSTALLER_PROXY (and E2E_INSTALLER_PROXY_HTTPS, its https:// twin), E2E_DRIVER, E2E_PROBE, E2E_SAMPLE (the served files), E2E_PORT,
# E2E_WORK, and for HTTPS E2E_INSTALLER_HTTPS (built for https://localhost:E2E_HTTPS_PORT) and E2E_TLS_TRUST;
# E2E_RELEASE_KEY and E2E_RELEASE_NEXT_KEY, the two private keys of the build's embedded pair.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/xdisplay.sh"
source "$here/../support/servers.sh"
installer_pid=""
trusted_ca=""
proxy_set=""
cleanup() {
  # Killing the shell that waits does not end the Windows program: a wizard left open by a
  # failed scenario would take the next scenario's clicks.
  [ -n "$installer_pid" ] && { drive kill >/dev/null 2>&1; kill "$installer_pid" 2>/dev/null; }
  # The prefix is shared: no later test may find the proxy settings.
  [ -n "$proxy_set" ] && probe proxy-off
  stop_servers
  [ -n "$trusted_ca" ] && wine_run "$E2E_TLS_TRUST" remove "$trusted_ca"
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
# What a scenario killed for its time left behind (servers on our port, a wizard that would take
# this scenario's clicks) goes before this one starts.
SERVERS_PID_LOG=$E2E_WORK/servers.pids
stop_leftover_servers
drive kill >/dev/null 2>&1 || true
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

# start LOCALE [PROGRAM [ARGS...]]: the installer in the background under the driver, which
# records its exit code in $work/exit.txt; its window up.
start() {
  local locale=$1
  shift
  [ $# -gt 0 ] || set -- "$E2E_INSTALLER"
  LC_ALL=$locale drive run "$@" >"$work/exit.txt" &
  installer_pid=$!
  drive wait >/dev/null || fail "the wizard did not appear"
}

# to_directory_page NEXT AGREE
# The first arrival at the licence page loads RichEdit and formats the licence: on a loaded
# machine that takes longer than a click's usual 5 s.
to_directory_page() {
  drive click "$1" && drive click "$2" 20 && drive click "$1" 20 || fail "could not reach page 3"
}

# finished EXIT_CODE: the wizard closed and the program ended with that code.
finished() {
  drive closed 30 || fail "the wizard did not close"
  wait "$installer_pid" || true
  installer_pid=""
  exited "$1"
}

# exited CODE: what the last program run under the driver ended with.
exited() {
  local got
  got=$(awk '{print $2}' "$work/exit.txt")
  [ "$got" = "$1" ] || fail "exit code ${got:-none}, expected $1"
}

# silent EXPECTED_EXIT ARGS...: Install.exe run by the driver, which must never see a window of it.
silent() {
  local expected=$1 out
  shift
  out=$(drive run "$E2E_INSTALLER" "$@")
  [ "$out" = "exit $expected visible 0" ] || fail "silent run $*: $out, expected exit $expected visible 0"
}

# logged LOG TEXT...: each TEXT is in the log, in this order.
logged() {
  local log=$1 rest before
  shift
  rest=$(tr -d '\r' <"$log")
  for text in "$@"; do
    # What comes before its first occurrence: "${rest#*"$text"}" would try every prefix against
    # the pattern, seconds for a log of a few kilobytes.
    before=${rest%%"$text"*}
    [ "$before" != "$rest" ] || fail "log lacks \"$text\" (in order); it says: $(cat "$log")"
    rest=${rest:$((${#before} + ${#text}))}
  done
}

# expect_box CAPTION BUTTON TEXT: the box is there, shows TEXT (a substring), gets BUTTON.
expect_box() {
  local shown
  shown=$(drive answer "$1" "$2" 60) || fail "no message box \"$1\""
  [[ "$shown" == *"$3"* ]] || fail "box \"$1\" says \"$shown\", expected \"$3\""
}

# unix_path WINDOWS_PATH: where a C:\ path of the prefix is on this side.
unix_path() { local p=${1#C:\\}; echo "$E2E_PREFIX/drive_c/${p//\\//}"; }

# uninstalled DIR: the uninstaller's copy removed the uninstaller, the record and the folders that
# held nothing else, after the uninstaller ended.
uninstalled() {
  local dir
  dir=$(unix_path "$1")
  for _ in $(seq 1 50); do
    [ -e "$dir/uninstall.exe" ] || [ -e "$dir/install-record.txt" ] || break
    sleep 0.2
  done
  [ ! -e "$dir/uninstall.exe" ] || fail "the uninstaller was left in $1"
  [ ! -e "$dir/install-record.txt" ] || fail "the install record was left in $1"
}

# damage FILE: its first byte changed, its size kept.
damage() { printf 'X' | dd of="$1" bs=1 seek=0 conv=notrunc status=none; }

requested() { grep -c "GET /download/lite/$1" "$2" || true; }

# trust_test_ca: certificates from a test authority (under $E2E_WORK/certs), which the prefix
# trusts for this run only.
trust_test_ca() {
  "$here/../net/socket/tls/make-certs.sh" "$E2E_WORK/certs"
  trusted_ca=$(windows_path "$E2E_WORK/certs/ca.der")
  wine_run "$E2E_TLS_TRUST" add "$trusted_ca" || fail "the test authority could not be trusted"
}

# install_en: an English installation into the default directory, up to pressing Install.
install_en() {
  start en_US.UTF-8
  to_directory_page "&Next" "I agree"
  drive click "&Install"
}

# fails_on FILE CODE: an English installation stops with an error box naming FILE; Cancel after
# it ends the run with CODE (the failure, not the cancel, is what the run reports), and nothing
# is installed.
fails_on() {
  install_en
  expect_box "Installation" 1 "$1"
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  finished "$2"
  probe nothing "$default_en" || fail "something was installed"
}

case $scenario in
english-default|https)
  probe clean "$default_en"
  if [ "$scenario" = https ]; then
    # A certificate for localhost from a test authority trusted in the prefix for this run only.
    trust_test_ca
    NGINX_TLS_CERT=$E2E_WORK/certs/localhost start_nginx "$E2E_HTTPS_PORT" "$E2E_SAMPLE" "$work"
    E2E_INSTALLER=$E2E_INSTALLER_HTTPS
  else
    start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  fi
  install_en
  drive click "Done" 60 || fail "page 5 not reached"
  finished 0
  drive product close >/dev/null || fail "the product was not started"
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  for f in quorvane.exe quorvane.ini miseajour.exe uninstall.exe; do
    [ "$(requested "$f" "$work/access.log")" = 1 ] || fail "$f not requested exactly once"
  done
  if [ "$scenario" = english-default ]; then
    # The uninstaller, silent: nothing the record lists is left; a file the user added stays, and
    # so does its folder.
    echo "my notes" >"$(unix_path "$default_en")/notes.txt"
    out=$(drive run "${default_en}uninstall.exe" /S "/LOG=$(windows_path "$work")\uninstall.log")
    [ "$out" = "exit 0 visible 0" ] || fail "silent uninstall: $out, expected exit 0 visible 0"
    uninstalled "$default_en"
    probe uninstalled "$default_en" || fail "the uninstaller left something of the record"
    [ "$(cat "$(unix_path "$default_en")/notes.txt")" = "my notes" ] || fail "the user's file was not kept"
    logged "$work/uninstall.log" "Removed ${default_en}quorvane.exe" "Kept ${default_en%\\}, which holds files" \
      "Exit code 0"
  fi
  if [ "$scenario" = https ]; then
    # The test authority names no revocation list: the download goes on, and the log says so.
    default_log=$(ls -t "$E2E_PREFIX"/drive_c/users/*/Temp/Quorvane-Install-*.log | sed -n 1p)
    logged "$default_log" "GET https://localhost:$E2E_HTTPS_PORT/download/lite/quorvane.exe" \
      "The revocation of the certificate of localhost could not be checked" "Verified quorvane.exe"
  fi
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
  finished 0
  probe check fr "$typed_dir" "$source_dir" no || fail "installation differs"
  # The uninstaller asks in the installation's language, whatever the system's, then removes
  # everything, the folder included.
  LC_ALL=en_US.UTF-8 drive run "$typed_dir\uninstall.exe" >"$work/exit.txt" &
  installer_pid=$!
  expect_box "Désinstallation de Quorvane" 6 "Voulez-vous supprimer Quorvane et tous ses composants"
  expect_box "Désinstallation de Quorvane" 1 "Quorvane a été supprimé de cet ordinateur."
  wait "$installer_pid" || true
  installer_pid=""
  exited 0
  uninstalled "$typed_dir"
  probe uninstalled "$typed_dir" || fail "the uninstaller left something of the record"
  [ ! -e "$(unix_path "$typed_dir")" ] || fail "the installation folder was left"
  probe clean "$typed_dir"
  ;;
reinstall)
  # A second installation over the first while Quorvane, started at the end of the first, runs from
  # the installation folder. A silent run ends at once with exit 5, the file named in its log, and
  # changes nothing; the wizard names the file in a box, asks again on Retry while it runs, and
  # installs once it has ended.
  probe clean "$default_en"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  install_en
  drive click "Done" 60 || fail "page 5 not reached (round 1)"
  finished 0
  drive product >/dev/null || fail "the product was not started"
  ini=$(unix_path "$default_en")/quorvane.ini
  echo "; the user's line" >>"$ini"
  silent 5 /S "/DIR=$default_en" /LANG=fr /NOAUTOSTART "/LOG=$(windows_path "$work")\silent.log"
  logged "$work/silent.log" "Files in use: ${default_en}quorvane.exe" "Exit code 5"
  tail -1 "$ini" | grep -q "the user's line" || fail "the silent run changed quorvane.ini"
  cp "$E2E_SAMPLE/quorvane.ini" "$ini"
  # The files it downloaded and verified stay in the cache for the run that follows, once the
  # program has ended; the installation itself must be as it was.
  [ "$(probe cache | wc -l)" -ge 4 ] || fail "the silent run did not keep its verified files"
  rm -f "$E2E_PREFIX/drive_c/ProgramData/Quorvane/Cache/"*.part
  probe check en "$default_en" "$source_dir" yes || fail "the silent run changed the installation"
  install_en
  expect_box "Directory not empty" 6 "There is already a version of Quorvane"
  expect_box "Files in use" 4 "${default_en}quorvane.exe"
  expect_box "Files in use" 0 "Close them, then click Retry"
  drive product close >/dev/null || fail "the product could not be closed"
  for _ in 1 2 3 4 5; do drive answer "Files in use" 4 2 >/dev/null || break; done
  drive click "Done" 60 || fail "page 5 not reached (round 2)"
  finished 0
  drive product close >/dev/null || fail "the product was not started (round 2)"
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  [ "$(requested quorvane.exe "$work/access.log")" = 3 ] || fail "quorvane.exe not fetched three times"
  probe clean "$default_en"
  ;;
transaction)
  # Every run ends with the new installation whole or the machine as it was. The last change of
  # the closing steps fails (a folder stands where the settings file goes): a first installation
  # leaves nothing, a reinstall (French over English, a file the user changed) the earlier one.
  # Then the process dies during the closing steps, as in a power cut: the next run, whatever its
  # command line, rolls back first; the one after installs. The test build's crash is not in
  # the released program.
  grep -q QUORVANE_E2E_CRASH_AFTER_STEP "$E2E_INSTALLER_CRASH" || fail "the crash build has no crash"
  grep -q QUORVANE_E2E_CRASH_AFTER_STEP "$E2E_RELEASE_INSTALLER" && fail "the release build can crash on demand"
  parent='C:\Quorvane E2E\Transaction'
  dir="$parent\App"
  logs="$(windows_path "$work")"
  blocker=$E2E_PREFIX/drive_c/windows/Quorvane_b.ini
  probe clean "$parent"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  as_before() {
    probe snapshot "$dir" >"$work/after.txt"
    diff "$work/before.txt" "$work/after.txt" >&2 || fail "the machine differs after the rollback ($1)"
  }
  # fails_at_settings LANG LAST_UNDONE: the run fails, LAST_UNDONE is among the steps it undoes.
  fails_at_settings() {
    rm -f "$blocker" && mkdir "$blocker"
    probe snapshot "$dir" >"$work/before.txt"
    silent 4 /S "/LANG=$1" "/DIR=$dir" "/LOG=$logs\\$1.log"
    logged "$work/$1.log" "Rolling back the installation" "Rolled back: $2" \
      "Box \"Installation\": Unable to write to Quorvane_b.ini" "Exit code 4"
    grep -q "Could not roll back" "$work/$1.log" && fail "a step was not rolled back: $(cat "$work/$1.log")"
    as_before "$1"
    rmdir "$blocker"
  }
  fails_at_settings en "folder $parent created"
  [ -e "$E2E_PREFIX/drive_c/Quorvane E2E/Transaction" ] && fail "the directory's parent was left"
  probe nothing "$dir" || fail "something was left by the failed first installation"
  silent 0 /S /LANG=en "/DIR=$dir" "/LOG=$logs\\release1.log"
  echo "release 1, changed by its user" >>"$E2E_PREFIX/drive_c/Quorvane E2E/Transaction/App/quorvane.ini"
  fails_at_settings fr "registry value HKLM\\Software\\Quorvane\\Quorvane\\RaRozo emplacement changed"
  # Killed before the commit (the install record), after the settings entry and the Run value changed.
  probe snapshot "$dir" >"$work/before.txt"
  QUORVANE_E2E_CRASH_AFTER_STEP=27 E2E_INSTALLER=$E2E_INSTALLER_CRASH \
    silent 99 /S /LANG=fr "/DIR=$dir" "/LOG=$logs\\crash.log"
  logged "$work/crash.log" "Setting langue = francais" "Run QuorvaneRaRozo = "
  grep -q "Transaction committed" "$work/crash.log" && fail "the crash came after the commit"
  silent 0 /S /? "/LOG=$logs\\recovery.log"
  logged "$work/recovery.log" "An interrupted installation's journal" "Rolled back: registry value HKCU" \
    "Rolled back: setting [Settings] langue" "The interrupted installation was rolled back" "Exit code 0"
  as_before "crash"
  silent 0 /S /LANG=fr "/DIR=$dir" "/LOG=$logs\\again.log"
  probe check fr "$dir" "$source_dir" yes || fail "installation differs"
  probe clean "$parent"
  ;;
missing-file)
  # 404 for miseajour.exe: an error naming the file, nothing installed, uninstall.exe never asked.
  probe clean "$default_en"
  mkdir -p "$work/root"
  cp "$E2E_SAMPLE"/* "$work/root/"
  rm "$work/root/miseajour.exe"
  start_nginx "$E2E_PORT" "$work/root" "$work"
  fails_on miseajour.exe 2
  [ "$(requested uninstall.exe "$work/access.log")" = 0 ] || fail "uninstall.exe was requested"
  probe clean "$default_en"
  ;;
truncated)
  # A body cut short of its Content-Length.
  probe clean "$default_en"
  start_python "$E2E_PORT" "$E2E_SAMPLE" "$work/requests.log" --truncate quorvane.ini
  fails_on quorvane.ini 2
  probe clean "$default_en"
  ;;
damaged-file)
  # quorvane.ini arrives whole, at the size its manifest gives, with one byte changed: each of the
  # three attempts is refused, the box says why, the next file is never asked for, exit code 3.
  probe clean "$default_en"
  mkdir -p "$work/root"
  cp "$E2E_SAMPLE"/* "$work/root/"
  damage "$work/root/quorvane.ini"
  start_nginx "$E2E_PORT" "$work/root" "$work"
  fails_on "quorvane.ini is damaged or not the expected file" 3
  [ "$(requested quorvane.ini "$work/access.log")" = 3 ] || fail "quorvane.ini not tried three times"
  [ "$(requested miseajour.exe "$work/access.log")" = 0 ] || fail "miseajour.exe was requested"
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
  finished 0
  drive product close >/dev/null || fail "the product was not started"
  probe check fr "$unicode_dir" "$source_dir" yes || fail "installation differs"
  # The log, in the Cyrillic temporary folder, names the directory byte for byte in UTF-8.
  log=$(ls -t "$E2E_PREFIX/drive_c/Временные файлы/Temp/"Quorvane-Install-*.log | sed -n 1p)
  logged "$log" "Language francais, directory $unicode_dir" 'Copied C:\ProgramData\Quorvane\Cache\' "to $unicode_dir\\quorvane.exe"
  # Again, over it, with a folder where quorvane.ini must go: the boxes keep the French accents
  # under code page 1251, the error box and the log every letter of the path.
  blocked="$E2E_PREFIX/drive_c/Программы Łódź/Quorvane/quorvane.ini"
  rm "$blocked" && mkdir "$blocked"
  start ru_RU.UTF-8 "$E2E_INSTALLER" "/LOG=$(windows_path "$work")\журнал.log"
  to_directory_page "&Suivant" "J' accepte"
  drive type "$unicode_dir"
  drive click "&Installer"
  expect_box "Répertoire non-vide" 6 "Il existe déjà une version de Quorvane"
  copy_error="Cannot copy quorvane.ini to $unicode_dir\quorvane.ini: "
  expect_box "Installation" 1 "$copy_error"
  drive click "Annuler" && expect_box "Suspendre?" 6 "Êtes-vous certain"
  finished 4
  logged "$work/журнал.log" "Box \"Répertoire non-vide\": Il existe déjà" "Box \"Installation\": $copy_error" \
    "Box \"Suspendre?\": Êtes-vous" "Exit code 4"
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
  finished 2
  probe nothing "$default_en" || fail "something was installed"
  probe clean "$default_en"
  ;;
silent-install)
  # Unattended, twice into the same folder: no window, no question, the second run overwrites.
  silent_dir='C:\Quorvane E2E\Silent'
  log=$work/install.log
  probe clean "$silent_dir"
  start_nginx "$E2E_PORT" "$E2E_SAMPLE" "$work"
  silent 0 -s "/DIR=$silent_dir" /LANG=fr /NOAUTOSTART "/LOG=$(windows_path "$work")\install.log"
  probe check fr "$silent_dir" "$source_dir" no || fail "first installation differs"
  lines=('"/LANG=fr" "/NOAUTOSTART"' "Language francais, directory $silent_dir")
  for f in quorvane.exe quorvane.ini miseajour.exe uninstall.exe; do
    lines+=("GET http://localhost:$E2E_PORT/download/lite/$f" "HTTP/1.1 200 OK, $(stat -c %s "$E2E_SAMPLE/$f") bytes in ")
  done
  lines+=("Copied " "Shortcut " "Uninstall\Quorvane Version de base DisplayVersion = " "Setting langue = francais"
          "Exit code 0")
  logged "$log" "${lines[@]}"
  grep -q "QuorvaneRaRozo\|Starting" "$log" && fail "autostart or start written despite /NOAUTOSTART: $(cat "$log")"
  # The overwrite question answered by itself, autostart by default. The log named is a link to a
  # file of the system, and the default log's names for the next minutes are taken by links to it
  # and by planted files: none is followed or written, the log takes the next free name.
  temp=$(echo "$E2E_PREFIX"/drive_c/users/*/Temp)
  echo "system file" >"$work/system.txt"
  ln -sfn "$work/system.txt" "$work/linked.log"
  planted=()
  for second in $(seq 0 179); do
    name=$temp/Quorvane-Install-$(date -d "+$second seconds" +%Y%m%d-%H%M%S)
    ln -sfn "$work/system.txt" "$name.log"
    echo planted >"$name-2.log"
    planted+=("$name.log" "$name-2.log")
  done
  silent 0 /S "/DIR=$silent_dir" /LANG=fr "/LOG=$(windows_path "$work")\linked.log"
  probe check fr "$silent_dir" "$source_dir" yes || fail "second installation differs"
  [ "$(requested quorvane.exe "$work/access.log")" = 2 ] || fail "quorvane.exe not fetched twice"
  [ "$(cat "$work/system.txt")" = "system file" ] || fail "the log was written through a link"
  for name in "${planted[@]}"; do
    [[ -L "$name" || "$(cat "$name")" = planted ]] || fail "$name was written"
  done
  # sed reads the whole list: head would close the pipe early, and pipefail would end the script.
  default_log=$(ls -t "$temp"/Quorvane-Install-*.log | sed -n 1p)
  [[ "$default_log" = *-3.log ]] || fail "the log did not take the next free name: $default_log"
  logged "$default_log" "linked.log is a link, which is never followed; writing here instead" \
    "Box \"Répertoire non-vide\"" "Run QuorvaneRaRozo = " "Exit code 0"
  rm -f "${planted[@]}"
  probe clean "$silent_dir"
  ;;
silent-failures)
  # Each failure from a real cause: its exit code, its log line, never a window, nothing installed.
  probe clean "$default_en"
  mkdir -p "$work/root"
  cp "$E2E_SAMPLE"/* "$work/root/"
  rm "$work/root/miseajour.exe"
  start_nginx "$E2E_PORT" "$work/root" "$work"
  blocker=$E2E_PREFIX/drive_c/qv-e2e-file
  echo "a file where a folder must go" >"$blocker"
  log=$work/failure.log
  winlog="$(windows_path "$work")\failure.log"
  while IFS='|' read -r code text args; do
    read -ra argv <<<"$args"
    silent "$code" "${argv[@]}" "/LOG=$winlog"
    logged "$log" "$text" "Exit code $code"
    probe nothing "$default_en" || fail "something was installed ($args)"
  done <<'CASES'
1|Bad command line: Unknown switch: /BOGUS|/S /BOGUS
1|Bad command line: /LANG= takes fr or en|/LANG=de /S
2|HTTP/1.1 404 Not Found|/S /LANG=en
4|Box "Process canceled": Cannot create the directory|/S /LANG=en /DIR=C:\qv-e2e-file\sub
CASES
  # quorvane.exe and quorvane.ini came whole in the runs before: kept, they are not asked again.
  # The server stays up, since the release manifest is always asked first.
  silent 2 /S /LANG=en "/LOG=$winlog"
  logged "$log" "Kept by an earlier run" "GET http://localhost:$E2E_PORT/download/lite/miseajour.exe" \
    "HTTP/1.1 404 Not Found" "Exit code 2"
  stop_server
  # A file that arrives whole but is not the expected one: one byte of quorvane.ini changed (the
  # sound one kept from the runs before goes first).
  probe clean "$default_en"
  cp "$E2E_SAMPLE"/* "$work/root/"
  damage "$work/root/quorvane.ini"
  start_nginx "$E2E_PORT" "$work/root" "$work"
  silent 3 /S /LANG=en "/LOG=$winlog"
  logged "$log" "quorvane.ini is damaged or not the expected file (its SHA-256 differs" "Exit code 3"
  probe nothing "$default_en" || fail "something was installed (damaged file)"
  rm -f "$blocker"
  probe clean "$default_en"
  ;;
usage)
  # Interactively a bad switch or /? shows the usage in a box, in the chosen language, accents kept.
  for c in "en|1|Unknown switch: /X|/X /LANG=en" "fr|0|silencieux : aucune fenêtre|/? /LANG=fr" "en|0|silent: no window|/?"; do
    IFS='|' read -r locale code text args <<<"$c"
    read -ra argv <<<"$args"
    LC_ALL=${locale}_US.UTF-8 drive run "$E2E_INSTALLER" "${argv[@]}" >"$work/exit.txt" &
    installer_pid=$!
    expect_box "Installation" 1 "$text"
    wait "$installer_pid" || true
    installer_pid=""
    exited "$code"
  done
  # A /S anywhere in the line keeps every window away, whatever the quoting: after a path's last
  # backslash before its quote, or put inside a path by the split. Exit 1, the error in the log.
  winlog="$(windows_path "$work")\usage.log"
  while IFS='|' read -r text line; do
    out=$(drive runline "$E2E_INSTALLER" "${line//@LOG@/$winlog}")
    [ "$out" = "exit 1 visible 0" ] || fail "$line: $out, expected exit 1 visible 0"
    logged "$work/usage.log" "Bad command line: $text" "Exit code 1"
  done <<'CASES'
Unknown switch: /BOGUS|/DIR="C:\Apps\Quorvane\" /S /LOG=@LOG@ /BOGUS
/S stands inside another argument|/LOG="@LOG@" /DIR="C:\My /S dir"
CASES
  # Cancelled on the first page: 1602, the code deployment tools read as "cancelled by the user".
  start en_US.UTF-8
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  finished 1602
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
  finished 0
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
proxy-https)
  # HTTPS through squid's CONNECT tunnel, from a proxy that asks for a user name and password
  # which the build does not give: a silent run ends with the error and no window; in the wizard
  # the dialog asks once a run: Cancel ends the run as before, a wrong password is refused
  # without a second question, and the right ones carry a whole installation.
  probe clean "$default_en"
  trust_test_ca
  NGINX_TLS_CERT=$E2E_WORK/certs/proxied start_nginx "$E2E_HTTPS_PORT" "$E2E_SAMPLE" "$work"
  squid_auth=$((E2E_PORT + 3))
  start_squid "$work/squid" $((E2E_PORT + 2)) "$squid_auth" quorvane-proxied.invalid || fail "squid did not start"
  proxy_set=yes
  probe proxy "127.0.0.1:$squid_auth" "<local>" || fail "the proxy settings were not written"
  E2E_INSTALLER=$E2E_INSTALLER_PROXY_HTTPS
  asks="Proxy 127.0.0.1:$squid_auth asks for a user name and password (407), and none was given"
  silent 2 /S /LANG=en "/LOG=$(windows_path "$work")\silent.log"
  logged "$work/silent.log" "$asks" "Exit code 2"
  while IFS='|' read -r button password said; do
    install_en
    [ "$button" = 1 ] && { drive fill "Proxy authentication" quorvane "$password" || fail "could not type"; }
    expect_box "Proxy authentication" "$button" "The proxy 127.0.0.1:$squid_auth asks for a user name and password"
    expect_box "Installation" 1 "Proxy 127.0.0.1:$squid_auth $said"
    drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
    finished 2
    probe nothing "$default_en" || fail "something was installed"
  done <<'RUNS'
2||asks for a user name and password (407), and none was given
1|wrong|refused the user name and password given (407)
RUNS
  install_en
  drive fill "Proxy authentication" quorvane "proxy secret" || fail "the credentials could not be typed"
  expect_box "Proxy authentication" 1 "The proxy"
  drive click "Done" 60 || fail "page 5 not reached"
  finished 0
  drive product close >/dev/null || fail "the product was not started"
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  stop_squid  # writes out its log
  tunnels=$(grep -c "TCP_TUNNEL/200 .*CONNECT quorvane-proxied.invalid:$E2E_HTTPS_PORT quorvane " "$work/squid/access.log" || true)
  # One a request: the release manifest, its signature, the four files.
  [ "$tunnels" = 6 ] || fail "$tunnels tunnels opened with the user's credentials, expected 6: $(cat "$work/squid/access.log")"
  for f in quorvane.exe quorvane.ini miseajour.exe uninstall.exe; do
    [ "$(requested "$f" "$work/access.log")" = 1 ] || fail "$f not served exactly once"
  done
  probe clean "$default_en"
  ;;
planted-dll)
  # Install.exe started from a Downloads folder where someone left a DLL named like each one it
  # loads on first use or by name, which Wine, told to prefer them, looks for as Windows does:
  # none is ever loaded, through the wizard's first pages and a whole silent installation over
  # HTTPS (the proxy settings, the hash, TLS and its certificate chain, Restart Manager).
  probe clean "$default_en"
  downloads=$work/Downloads
  mkdir -p "$downloads"
  cp "$E2E_INSTALLER_HTTPS" "$downloads/Install.exe"
  IFS=, read -ra names <<<"$E2E_PLANTED_NAMES"
  for name in "${names[@]}"; do cp "$E2E_PLANTED" "$downloads/$name.dll"; done
  none_loaded() {
    local loaded
    loaded=$(cd "$downloads" && ls -- *.loaded 2>/dev/null || true)
    [ -z "$loaded" ] || fail "planted DLLs loaded $1: $loaded"
  }
  trust_test_ca
  NGINX_TLS_CERT=$E2E_WORK/certs/localhost start_nginx "$E2E_HTTPS_PORT" "$E2E_SAMPLE" "$work"
  WINEDLLOVERRIDES="$(IFS=,; echo "${names[*]}")=n,b;$WINEDLLOVERRIDES"
  export WINEDLLOVERRIDES
  start en_US.UTF-8 "$downloads/Install.exe"
  none_loaded "at the start"
  to_directory_page "&Next" "I agree"
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  finished 1602
  none_loaded "by the wizard"
  E2E_INSTALLER=$downloads/Install.exe
  # A file of an earlier installation, which the check for files in use asks Restart Manager about.
  mkdir -p "$(unix_path "$default_en")"
  echo "earlier" >"$(unix_path "$default_en")/quorvane.exe"
  silent 0 /S /LANG=en
  none_loaded "by the silent installation"
  probe check en "$default_en" "$source_dir" yes || fail "installation differs"
  probe clean "$default_en"
  ;;
cancel-and-resume)
  # Cancel half-way through a large quorvane.exe (the server stalls after half of it when asked
  # for the whole file): nothing installed, the files after it never asked for, the half kept in
  # the download cache. Then a silent run continues it with Range: at most 1.12 times the file
  # crosses the network in all, and the successful installation empties the cache.
  probe clean "$default_en"
  size=$(stat -c %s "$E2E_LARGE/quorvane.exe")
  half=$((size / 2))
  cache_dir=$E2E_PREFIX/drive_c/ProgramData/Quorvane/Cache
  start_python "$E2E_PORT" "$E2E_LARGE" "$work/requests.log" --stall 0.5 quorvane.exe
  E2E_INSTALLER=$E2E_INSTALLER_LARGE
  install_en
  kept=0
  for _ in $(seq 300); do
    kept=$(stat -c %s "$cache_dir"/*.part 2>/dev/null || echo 0)
    [ "$kept" = "$half" ] && break
    sleep 0.1
  done
  [ "$kept" = "$half" ] || fail "the first half never reached the cache ($kept of $half bytes)"
  drive click "Cancel" && expect_box "Suspend?" 6 "Are you sure"
  expect_box "Installation" 1 ""
  finished 1602
  probe nothing "$default_en" || fail "something was installed"
  for f in quorvane.ini miseajour.exe uninstall.exe; do
    [ "$(requested "$f" "$work/requests.log")" = 0 ] || fail "$f was requested"
  done
  [ "$(probe cache)" = "$(sha256sum "$E2E_LARGE/quorvane.exe" | cut -c1-64).part $half" ] ||
    fail "the cancelled part was not kept: $(probe cache)"
  silent 0 /S /LANG=en "/LOG=$(windows_path "$work")\install.log"
  probe check en "$default_en" "$(windows_path "$E2E_LARGE")" yes || fail "installation differs"
  logged "$work/install.log" "GET http://localhost:$E2E_PORT/download/lite/quorvane.exe, from byte $half" \
    "HTTP/1.0 206 Partial Content, $((size - half)) bytes" "Verified quorvane.exe" "Download cache emptied"
  sent=$(sed -n 's|^GET /download/lite/quorvane.exe.* sent ||p' "$work/requests.log" |
    awk '{ total += $1 } END { print total }')
  [ "$sent" -le $((size * 112 / 100)) ] || fail "$sent bytes of quorvane.exe sent for $size"
  probe clean "$default_en"
  ;;
releases|mirrors)
  source "$here/releases.sh"
  ;;
*)
  fail "unknown scenario"
  ;;
esac
echo "e2e $scenario: ok"
