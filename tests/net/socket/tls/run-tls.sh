#!/usr/bin/env bash
# HTTPS through THttpClient under Wine against Debian's nginx: files fetched over TLS byte for
# byte, redirects between http:// and https:// followed, and every certificate or server that
# must be refused refused with its reason, never answered over plain HTTP instead.
#   run-tls.sh WORKDIR WINE-RUN PREFIX HTTP_FETCH.EXE TLS_TRUST.EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1"); wine_run=$2; prefix=$3; fetch=$4; trust=$5
source "$here/nginx-tls.sh"

rm -rf "$work/www" "$work/got" "$work/nginx"
mkdir -p "$work/www" "$work/got"
"$here/make-certs.sh" "$work/certs"
printf 'Q' >"$work/www/one.bin"
head -c 65536 /dev/urandom >"$work/www/k64.bin"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$work/www/m5.bin"

read -r good self other expired plain old partial full sni hostile < <(free_tls_ports 10)
c=$work/certs
tls_server localhost "$good" "$c/localhost" "location /back/ { return 301 http://localhost:$plain/\$1; }
        location ~ ^/back/(.*)\$ { return 301 http://localhost:$plain/\$1; }"
tls_server localhost "$self" "$c/self-signed"
tls_server localhost "$other" "$c/other-name"
tls_server localhost "$expired" "$c/expired"
tls_server localhost "$partial" "$c/chained"
tls_server localhost "$full" "$c/chained-full"
# Two names on one port: only the server name sent in the hello (SNI) leads to localhost's.
tls_servers+="
    server {
        listen 127.0.0.1:$sni ssl default_server;
        ssl_certificate $c/other-name.pem;
        ssl_certificate_key $c/other-name.key;
        root \$tls_root;
    }"
tls_server localhost "$sni" "$c/localhost"
plain_server localhost "$plain" "location /secure/ { rewrite ^/secure/(.*)\$ https://localhost:$good/\$1 redirect; }"
# A server that speaks only TLS 1.0 and 1.1, if this OpenSSL can still be made to.
tls_servers+="
    server {
        listen 127.0.0.1:$old ssl;
        ssl_certificate $c/localhost.pem;
        ssl_certificate_key $c/localhost.key;
        ssl_protocols TLSv1 TLSv1.1;
        ssl_ciphers DEFAULT:@SECLEVEL=0;
        root \$tls_root;
    }"
cleanup() {
  stop_tls_nginx
  "$wine_run" "$prefix" "$trust" remove "Z:$c/ca.der" || echo "the test authority could not be removed" >&2
}
trap cleanup EXIT
start_tls_nginx "$work/nginx" "$work/www"
for port in "$good" "$self" "$other" "$expired" "$plain" "$old" "$partial" "$full" "$sni"; do wait_tls_port "$port"; done
"$wine_run" "$prefix" "$trust" add "Z:$c/ca.der"

status=0
failed() { echo "FAILED: $*" >&2; status=1; }

# Trusted: every size, to a file and to a string, and the redirects both ways.
jobs=()
for file in one k64 m5; do
  jobs+=("https://localhost:$good/$file.bin" "Z:$work/got/$file.file" file)
done
jobs+=("https://localhost:$good/one.bin" "Z:$work/got/one.string" string)
jobs+=("http://localhost:$plain/secure/k64.bin" "Z:$work/got/k64.to-https" file)
jobs+=("https://localhost:$good/back/m5.bin" "Z:$work/got/m5.to-http" file)
jobs+=("https://localhost:$full/k64.bin" "Z:$work/got/k64.chain" file)
jobs+=("https://localhost:$sni/k64.bin" "Z:$work/got/k64.sni" file)
"$wine_run" "$prefix" "$fetch" "${jobs[@]}" || failed "fetches from the trusted server"
for got in "$work"/got/*; do
  base=$(basename "$got")
  cmp -s "$work/www/${base%%.*}.bin" "$got" || failed "$base differs from the served file"
done
[ "$(ls "$work/got" | wc -l)" -eq 8 ] || failed "expected 8 results"
grep -q 'GET /secure/k64.bin' "$work/nginx/logs/plain-$plain.log" || failed "the http:// to https:// redirect was not asked"

# refused PORT REASON: the fetch fails, says REASON, and nothing is received.
refused() {
  local port=$1 reason=$2 out
  rm -f "$work/refused.bin"
  if out=$("$wine_run" "$prefix" "$fetch" "https://localhost:$port/k64.bin" "Z:$work/refused.bin" file 2>&1); then
    failed "port $port was not refused: $out"
  elif ! grep -qF "$reason" <<<"$out"; then
    failed "port $port refused without saying \"$reason\": $out"
  else
    echo "refused as expected: $(grep -F "$reason" <<<"$out" | tr -d '\r')"
  fi
  [ ! -s "$work/refused.bin" ] || failed "port $port: bytes were written"
}
refused "$self" "is not issued by an authority this system trusts"
refused "$other" "is for another name"
refused "$expired" "has expired"
# The server leaves out its intermediate authority: nothing links the certificate to one we trust.
refused "$partial" "is not issued by an authority this system trusts"
refused "$plain" "Secure connection failed"
refused "$old" "older than TLS 1.2"
# Never a fallback: the plain server saw no request at the https:// URL.
! grep -q 'GET /k64.bin' "$work/nginx/logs/plain-$plain.log" || failed "a request went out in plain HTTP"

# Faults only TLS has, from a server that makes them on purpose.
python3 "$here/tls_hostile.py" "$hostile" "$c/localhost.pem" "$c/localhost.key" &
hostile_pid=$!
trap 'kill $hostile_pid 2>/dev/null; cleanup' EXIT
wait_tls_port "$hostile"
# over_tls PATH OUTCOME PATTERN: OUTCOME is ok (PATTERN in the fetch's report) or error (in its error).
over_tls() {
  local path=$1 outcome=$2 text=$3 out code=0
  out=$(HTTP_FETCH_TIMEOUT=2000 "$wine_run" "$prefix" "$fetch" "https://localhost:$hostile$path" "Z:$work/hostile.bin" file \
        2>&1) || code=$?
  if [ "$outcome" = ok ] && [ "$code" -ne 0 ]; then failed "$path failed: $out"
  elif [ "$outcome" = error ] && [ "$code" -eq 0 ]; then failed "$path was taken: $out"
  elif ! grep -qE "$text" <<<"$out"; then failed "$path did not say \"$text\": $out"
  else echo "$path: $(grep -E "$text" <<<"$out" | tr -d '\r')"
  fi
}
over_tls /whole ok "received 100000"
over_tls /split ok "expected 100000 \(announced: yes\), received 100000"
over_tls /cut-body ok "expected 100000 \(announced: yes\), received 50000"
over_tls /close-in-record error "in the middle of a record"
over_tls /no-close-notice error "without ending the session"
# Windows reports the reset itself; Wine reports a reset as a close, which TLS shows to be no end.
over_tls /reset error "reset|without ending the session"
over_tls /stall error "aborted"

[ "$status" -eq 0 ] && echo "HTTPS: 8 fetches identical, 6 servers refused with their reasons, 7 cases over TLS"
exit $status
