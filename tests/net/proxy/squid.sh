# squid on loopback for the proxy tests: `source` it.
#   start_squid WORK PORT AUTH_PORT NAME   squid in the foreground with its config, logs and
#                                          hosts file in WORK; PORT open to loopback, AUTH_PORT
#                                          (0: none) asking for Basic "quorvane" / "proxy secret";
#                                          NAME resolves to 127.0.0.1 for squid alone
#   stop_squid                             stops it and waits until it is gone
# Requests are logged in WORK/access.log.
squid_pid=""

stop_squid() {
  if [ -n "$squid_pid" ]; then
    kill "$squid_pid" 2>/dev/null || true
    wait "$squid_pid" 2>/dev/null || true
    squid_pid=""
  fi
}

start_squid() {
  local work=$1 port=$2 auth_port=$3 name=$4
  mkdir -p "$work"
  work=$(realpath "$work")
  printf '127.0.0.1 %s localhost\n' "$name" >"$work/hosts"
  printf 'quorvane:%s\n' "$(openssl passwd -apr1 'proxy secret')" >"$work/passwd"
  : >"$work/access.log"
  {
    echo "http_port 127.0.0.1:$port"
    [ "$auth_port" != 0 ] && echo "http_port 127.0.0.1:$auth_port name=authport"
    # Under root squid must drop to an unprivileged user, which then owns its files.
    [ "$(id -u)" = 0 ] && echo "cache_effective_user proxy"
    cat <<CONF
pid_filename $work/squid.pid
cache_log $work/cache.log
access_log stdio:$work/access.log
coredump_dir $work
hosts_file $work/hosts
dns_nameservers 127.0.0.1
visible_hostname quorvane-test-proxy
cache deny all
cache_mem 8 MB
icp_port 0
htcp_port 0
pinger_enable off
netdb_filename none
shutdown_lifetime 0 seconds
auth_param basic program /usr/lib/squid/basic_ncsa_auth $work/passwd
auth_param basic realm quorvane-test
acl authport myportname authport
acl authed proxy_auth REQUIRED
http_access deny authport !authed
http_access allow localhost
http_access deny all
CONF
  } >"$work/squid.conf"
  [ "$(id -u)" = 0 ] && chown -R proxy: "$work"
  # A service name of its own: squid names its shared memory after it, and squids of other
  # tests may run at the same time.
  squid -N -n "quorvane$$" -f "$work/squid.conf" >"$work/squid.out" 2>&1 &
  squid_pid=$!
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    kill -0 "$squid_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "squid did not start:" >&2
  cat "$work/squid.out" "$work/cache.log" >&2 2>/dev/null
  return 1
}
