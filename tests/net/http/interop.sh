#!/usr/bin/env bash
# Fetches files of 0 bytes, 1 byte, 64 KiB and 5 MiB from Debian's nginx and from Python's
# http.server through THttpClient under Wine, and compares every result byte for byte.
# interop.sh WORKDIR WINE-RUN PREFIX HTTP_FETCH.EXE
set -euo pipefail
work=$(realpath -m "$1"); wine_run=$2; prefix=$3; fetch=$4

rm -rf "$work"
mkdir -p "$work/www" "$work/nginx/logs" "$work/nginx/temp" "$work/got"
head -c 0 /dev/zero >"$work/www/empty.bin"
printf 'Q' >"$work/www/one.bin"
head -c 65536 /dev/urandom >"$work/www/k64.bin"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$work/www/m5.bin"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
nginx_port=$(free_port)
python_port=$(free_port)

# No master process: nginx stays one process of ours, with no user switch (the build tree
# need not be readable by nobody), and every path it writes is in the work tree.
cat >"$work/nginx/nginx.conf" <<CONF
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 64; }
http {
    access_log $work/nginx/logs/access.log;
    client_body_temp_path $work/nginx/temp/body;
    proxy_temp_path $work/nginx/temp/proxy;
    fastcgi_temp_path $work/nginx/temp/fastcgi;
    uwsgi_temp_path $work/nginx/temp/uwsgi;
    scgi_temp_path $work/nginx/temp/scgi;
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/www;
    }
}
CONF

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' &
pids+=($!)
python3 -m http.server "$python_port" --bind 127.0.0.1 --directory "$work/www" >"$work/python.log" 2>&1 &
pids+=($!)

wait_port() {
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.05
    done
    echo "no server on port $1" >&2
    return 1
}
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
