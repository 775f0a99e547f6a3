#!/usr/bin/env bash
# Starts nginx (plain, and over TLS for a name only squid resolves, with a test authority trusted
# in the prefix for the run) and squid on loopback, then runs proxy_route_test.exe under Wine in a
# prefix of its own (the test writes the user's proxy settings, which no other test may see).
#   run-proxy-tests.sh WORKDIR WINE-RUN PREFIX PROXY_ROUTE_TEST.EXE TLS_TRUST.EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1"); wine_run=$2; prefix=$3; test_exe=$4; trust=$5
source "$here/../../support/servers.sh"

rm -rf "$work"
mkdir -p "$work/www"
read -r origin_port squid_port auth_port down_port tls_port < <(free_ports 5)

printf 'served through the proxy\n' >"$work/www/hello.txt"
mkdir -p "$work/tls-root/download/lite"
cp "$work/www/hello.txt" "$work/tls-root/download/lite/"
"$here/../socket/tls/make-certs.sh" "$work/../certs"
ca="Z:$(realpath "$work/../certs/ca.der")"
# An automatic configuration script: squid for the download host, direct for anything else.
cat >"$work/www/proxy.pac" <<PAC
function FindProxyForURL(url, host) {
  if (host == "quorvane-proxied.invalid") return "PROXY 127.0.0.1:$squid_port";
  return "DIRECT";
}
PAC

cleanup() {
  stop_servers
  "$wine_run" "$prefix" "$trust" remove "$ca" || echo "the test authority could not be removed" >&2
  return 0
}
trap cleanup EXIT
start_nginx "$origin_port" "$work/www" "$work/nginx"
nginx_tls_server quorvane-proxied.invalid "$tls_port" "$(realpath "$work/../certs")/proxied"
start_nginx_servers "$work/tls-nginx" "$work/tls-root"
wait_port "$tls_port"
"$wine_run" "$prefix" "$trust" add "$ca"
start_squid "$work/squid" "$squid_port" "$auth_port" quorvane-proxied.invalid

QUORVANE_SQUID_PORT=$squid_port QUORVANE_SQUID_AUTH_PORT=$auth_port QUORVANE_ORIGIN_PORT=$origin_port \
  QUORVANE_DOWN_PORT=$down_port QUORVANE_TLS_ORIGIN_PORT=$tls_port "$wine_run" "$prefix" "$test_exe" --gtest_brief=1
