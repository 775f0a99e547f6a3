#!/usr/bin/env bash
# Starts nginx and squid on loopback, then runs proxy_route_test.exe under Wine in a prefix of
# its own (the test writes the user's proxy settings, which no other test may see).
#   run-proxy-tests.sh WORKDIR WINE-RUN PREFIX PROXY_ROUTE_TEST.EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1"); wine_run=$2; prefix=$3; test_exe=$4
source "$here/../../support/servers.sh"

rm -rf "$work"
mkdir -p "$work/www"
read -r origin_port squid_port auth_port down_port < <(free_ports 4)

printf 'served through the proxy\n' >"$work/www/hello.txt"
# An automatic configuration script: squid for the download host, direct for anything else.
cat >"$work/www/proxy.pac" <<PAC
function FindProxyForURL(url, host) {
  if (host == "quorvane-proxied.invalid") return "PROXY 127.0.0.1:$squid_port";
  return "DIRECT";
}
PAC

trap stop_servers EXIT
start_nginx "$origin_port" "$work/www" "$work/nginx"
start_squid "$work/squid" "$squid_port" "$auth_port" quorvane-proxied.invalid

QUORVANE_SQUID_PORT=$squid_port QUORVANE_SQUID_AUTH_PORT=$auth_port QUORVANE_ORIGIN_PORT=$origin_port \
  QUORVANE_DOWN_PORT=$down_port "$wine_run" "$prefix" "$test_exe" --gtest_brief=1
