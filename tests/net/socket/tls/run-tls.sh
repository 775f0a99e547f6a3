#!/usr/bin/env bash
# HTTPS through THttpClient under Wine against Debian's nginx: files fetched over TLS byte for
# byte, redirects between http:// and https:// followed, and every certificate or server that
# must be refused refused with its reason, never answered over plain HTTP instead.
#   run-tls.sh WORKDIR WINE-RUN PREFIX HTTP_FETCH.EXE TLS_TRUST.EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1"); wine_run=$2; prefix=$3; fetch=$4; trust=$5
source "$here/../../../support/servers.sh"

rm -rf "$work/www" "$work/got" "$work/nginx"
mkdir -p "$work/www" "$work/got"
"$here/make-certs.sh" "$work/certs"
printf 'Q' >"$work/www/one.bin"
head -c 65536 /dev/urandom >"$work/www/k64.bin"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$work/www/m5.bin"

read -r good self other expired plain old partial full sni hostile renegotiate listed revoked unreachable cn_only crl \
  closed < <(free_ports 17)
c=$work/certs
# A name of this run's own: Wine keeps the lists it fetched, by URL, in the prefix.
crl_name=revocation-$(date +%s%N).crl
"$here/make-crl-certs.sh" "$c" "http://127.0.0.1:$crl/$crl_name" "http://127.0.0.1:$closed/$crl_name"
cp "$c/crl.der" "$work/www/$crl_name"
nginx_tls_server localhost "$good" "$c/localhost" "location /back/ { return 301 http://localhost:$plain/\$1; }
        location ~ ^/back/(.*)\$ { return 301 http://localhost:$plain/\$1; }"
nginx_tls_server localhost "$self" "$c/self-signed"
nginx_tls_server localhost "$other" "$c/other-name"
nginx_tls_server localhost "$expired" "$c/expired"
nginx_tls_server localhost "$partial" "$c/chained"
nginx_tls_server localhost "$full" "$c/chained-full"
nginx_tls_server localhost "$cn_only" "$c/cn-only"
for name in listed revoked unreachable; do nginx_tls_server localhost "${!name}" "$c/$name"; done
nginx_plain_server localhost "$crl"
# Two names on one port: only the server name sent in the hello (SNI) leads to localhost's.
nginx_block "
    server {
        listen 127.0.0.1:$sni ssl default_server;
        ssl_certificate $c/other-name.pem;
        ssl_certificate_key $c/other-name.key;
        root \$served_root;
    }"
nginx_tls_server localhost "$sni" "$c/localhost"
nginx_plain_server localhost "$plain" "location /secure/ { rewrite ^/secure/(.*)\$ https://localhost:$good/\$1 redirect; }"
# A server that speaks only TLS 1.0 and 1.1, if this OpenSSL can still be made to.
nginx_block "
    server {
        listen 127.0.0.1:$old ssl;
        ssl_certificate $c/localhost.pem;
        ssl_certificate_key $c/localhost.key;
        ssl_protocols TLSv1 TLSv1.1;
        ssl_ciphers DEFAULT:@SECLEVEL=0;
        root \$served_root;
    }"
cleanup() {
  stop_servers
  "$wine_run" "$prefix" "$trust" remove "Z:$c/ca.der" || echo "the test authority could not be removed" >&2
}
trap cleanup EXIT
start_nginx_servers "$work/nginx" "$work/www"
for port in "$good" "$self" "$other" "$expired" "$plain" "$old" "$partial" "$full" "$sni" "$cn_only" "$listed" "$crl"; do
  wait_port "$port"
done
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
jobs+=("https://127.0.0.1:$good/k64.bin" "Z:$work/got/k64.by-address" file)
"$wine_run" "$prefix" "$fetch" "${jobs[@]}" || failed "fetches from the trusted server"
for got in "$work"/got/*; do
  base=$(basename "$got")
  cmp -s "$work/www/${base%%.*}.bin" "$got" || failed "$base differs from the served file"
done
[ "$(ls "$work/got" | wc -l)" -eq 9 ] || failed "expected 9 results"
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
# A common name is no name: only the subjectAltName counts.
refused "$cn_only" "is for another name"
refused "$expired" "has expired"
# The server leaves out its intermediate authority: nothing links the certificate to one we trust.
refused "$partial" "is not issued by an authority this system trusts"
refused "$plain" "Secure connection failed"
refused "$old" "older than TLS 1.2"
# Never a fallback: the plain server saw no request at the https:// URL.
! grep -q 'GET /k64.bin' "$work/nginx/logs/plain-$plain.log" || failed "a request went out in plain HTTP"

# Revocation, from the list that the test's own nginx serves: checked, revoked, not learned.
# checked PORT NOTICE: the fetch succeeds, and says that revocation was not checked (yes) or not (no).
checked() {
  local out
  if ! out=$("$wine_run" "$prefix" "$fetch" "https://localhost:$1/one.bin" "Z:$work/checked.bin" file 2>&1); then
    failed "port $1 was refused: $out"
  elif [ "$2" = yes ] && ! grep -q "notice: .*could not be checked" <<<"$out"; then
    failed "port $1: revocation not said to be unknown: $out"
  elif [ "$2" = no ] && grep -q "notice:" <<<"$out"; then
    failed "port $1: revocation not checked: $out"
  else
    echo "revocation as expected: $(tr -d '\r' <<<"$out")"
  fi
}
checked "$listed" no
refused "$revoked" "has been revoked"
checked "$unreachable" yes
grep -q "GET /$crl_name" "$work/nginx/logs/plain-$crl.log" || failed "the revocation list was not asked for"

# Faults only TLS has, from a server that makes them on purpose.
python3 "$here/tls_hostile.py" "$hostile" "$c/localhost.pem" "$c/localhost.key" &
server_started $!
python3 "$here/tls_hostile.py" --renegotiate "$renegotiate" "$c/localhost.pem" "$c/localhost.key" &
server_started $!
wait_port "$hostile"
wait_port "$renegotiate"
# over_tls "URL..." OUTCOME PATTERN: the URLs (a path alone is the hostile server's over TLS)
# fetched in turn by one client; OUTCOME is ok (PATTERN in the fetches' report) or error (in its error).
over_tls() {
  local outcome=$2 text=$3 out code=0 url args=()
  for url in $1; do
    [[ $url == http* ]] || url="https://localhost:$hostile$url"
    args+=("$url" "Z:$work/hostile.bin" file)
  done
  out=$(HTTP_FETCH_TIMEOUT=2000 "$wine_run" "$prefix" "$fetch" "${args[@]}" 2>&1) || code=$?
  if [ "$outcome" = ok ] && [ "$code" -ne 0 ]; then failed "$1 failed: $out"
  elif [ "$outcome" = error ] && [ "$code" -eq 0 ]; then failed "$1 was taken: $out"
  elif ! grep -qE "$text" <<<"$out"; then failed "$1 did not say \"$text\": $out"
  else echo "$1: $(grep -E "$text" <<<"$out" | tr -d '\r')"
  fi
}
over_tls /whole ok "received 100000"
over_tls /split ok "expected 100000 \(announced: yes\), received 100000"
over_tls /cut-body ok "expected 100000 \(announced: yes\), received 50000"
over_tls /close-in-record error "in the middle of a record"
over_tls /no-close-notice error "without ending the session"
# Windows reports the reset itself; Wine reports a reset as a close, which TLS shows to be no end.
over_tls /reset error "reset|without ending the session"
# A missing close notice belongs to its connection: the next, in plain HTTP, ends at its close.
over_tls "/length-no-close-notice http://localhost:$hostile/" ok "$hostile/ -> file: code 200, expected 0 \(announced: no\), received 100000"
# Refused at once, not waited on until the time-out: the server waits for our hello.
over_tls "https://localhost:$renegotiate/" error "asked to renegotiate"
# Last: the server holds this connection for long, and serves one at a time.
over_tls /stall error "aborted"
[ "$status" -eq 0 ] && echo "HTTPS: 9 fetches identical, 7 servers refused with their reasons, 3 revocation cases, 9 cases over TLS"
exit $status
