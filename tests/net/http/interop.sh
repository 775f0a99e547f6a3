#!/usr/bin/env bash
# Fetches files of 0 bytes, 1 byte, 64 KiB and 5 MiB from Debian's nginx and from Python's
# http.server through THttpClient under Wine, and compares every result byte for byte.
# interop.sh WORKDIR WINE-RUN PREFIX HTTP_FETCH.EXE
set -euo pipefail
work=$(realpath -m "$1"); wine_run=$2; prefix=$3; fetch=$4

rm -rf "$work"
mkdir -p "$work/www" "$work/got"
head -c 0 /dev/zero >"$work/www/empty.bin"
printf 'Q' >"$work/www/one.bin"
head -c 65536 /dev/urandom >"$work/www/k64.bin"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$work/www/m5.bin"

source "$(dirname "$0")/../../support/servers.sh"
trap stop_servers EXIT
read -r nginx_port python_port < <(free_ports 2)
nginx_plain_server localhost "$nginx_port"
start_nginx_servers "$work/nginx" "$work/www"
python3 -m http.server "$python_port" --bind 127.0.0.1 --directory "$work/www" >"$work/python.log" 2>&1 &
server_started $!
wait_port "$nginx_port"
wait_port "$python_port"

# Wine sees the Unix root as drive Z:.
jobs=()
for server in nginx:$nginx_port python:$python_port; do
    name=${server%%:*}; port=${server##*:}
    for file in empty one k64 m5; do
        jobs+=("http://localhost:$port/$file.bin" "Z:$work/got/$name-$file.file" file)
    done
    for file in empty one; do
        jobs+=("http://localhost:$port/$file.bin" "Z:$work/got/$name-$file.string" string)
    done
done
"$wine_run" "$prefix" "$fetch" "${jobs[@]}"

status=0
for got in "$work"/got/*; do
    base=$(basename "$got"); file=${base#*-}; file=${file%.*}
    if ! cmp "$work/www/$file.bin" "$got"; then
        echo "MISMATCH: $base" >&2
        status=1
    fi
done
count=$(ls "$work/got" | wc -l)
[ "$count" -eq 12 ] || { echo "expected 12 results, got $count" >&2; status=1; }
[ "$status" -eq 0 ] && echo "all $count fetches identical to the served files"
exit $status
