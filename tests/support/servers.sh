# Real servers on loopback for the tests, scripts/demo and scripts/bench: `source` it. Each runs
# in the foreground of this shell as a process of ours, listens on 127.0.0.1 only, and writes
# everything under the WORK folder it is given.
#   free_ports N                         N different free ports (all held until each is chosen:
#                                        ports chosen one by one may come back twice)
#   wait_port PORT                       until something listens on PORT (5 s at most)
#   start_nginx PORT ROOT WORK [DIRECTIVES]  nginx offering ROOT under /download/lite/; requests
#                                        logged to WORK/access.log; with NGINX_TLS_CERT=PATH set,
#                                        over TLS with PATH.pem and PATH.key
#   nginx_tls_server NAME PORT CERT [DIRECTIVES] / nginx_plain_server NAME PORT [DIRECTIVES] /
#   nginx_block TEXT                     server blocks for start_nginx_servers, which serve
#                                        $served_root; a plain one logs to WORK/logs/plain-PORT.log
#   start_nginx_servers WORK ROOT        one nginx with every block given so far
#   start_python PORT ROOT LOG [ARGS...] tests/e2e/e2e_server.py (ROOT under /download/lite/)
#   start_squid WORK PORT AUTH_PORT NAME squid with its config, logs and hosts file in WORK; PORT
#                                        open to loopback, AUTH_PORT (0: none) asking for Basic
#                                        "quorvane" / "proxy secret"; NAME resolves to 127.0.0.1
#                                        for squid alone; requests logged to WORK/access.log
#   server_started PID                   counts another server of the caller's among ours
#   stop_server                          stops the server started last (squid aside)
#   stop_squid                           stops squid and waits until it is gone (its log is whole)
#   stop_servers                         stops every one of them: the caller's EXIT trap calls it
#   SERVERS_PID_LOG=FILE                 also lists each server's pid in FILE, so that
#   stop_leftover_servers                a later run can stop what a killed run left behind
_servers_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
_server_pids=()
squid_pid=""

_stop_pid() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

_log_pid() { [ -z "${SERVERS_PID_LOG:-}" ] || echo "$1" >>"$SERVERS_PID_LOG"; }
server_started() {
  _server_pids+=("$1")
  _log_pid "$1"
}

# A run that ctest ends for its time is killed before its EXIT trap runs: its servers would hold
# the port and answer the next run. Only our own kinds of server are stopped (a pid may be reused).
stop_leftover_servers() {
  [ -f "${SERVERS_PID_LOG:-}" ] || return 0
  local pid
  while read -r pid; do
    case "$(ps -o comm= -p "$pid" 2>/dev/null)" in
      nginx* | python* | squid*) kill "$pid" 2>/dev/null || true ;;
    esac
  done <"$SERVERS_PID_LOG"
  : >"$SERVERS_PID_LOG"
}

stop_server() {
  local count=${#_server_pids[@]}
  [ "$count" -gt 0 ] || return 0
  _stop_pid "${_server_pids[count - 1]}"
  unset "_server_pids[count - 1]"
}

stop_squid() {
  [ -n "$squid_pid" ] && _stop_pid "$squid_pid"
  squid_pid=""
  return 0
}

stop_servers() {
  while [ "${#_server_pids[@]}" -gt 0 ]; do stop_server; done
  stop_squid
}

wait_port() {
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "servers: nothing listens on port $1" >&2
  return 1
}

free_ports() {
  python3 -c 'import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held: s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in held))' "$1"
}

# _run_nginx WORK ROOT SERVER_BLOCKS: no master process, so nginx stays one process of ours with
# no user switch (the build tree need not be readable by nobody), every path it writes in WORK.
_run_nginx() {
  local work=$1 root=$2 blocks=$3
  mkdir -p "$work/logs" "$work/temp"
  : >"$work/access.log"
  cat >"$work/nginx.conf" <<CONF
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 64; }
http {
  access_log $work/access.log;
  client_body_temp_path $work/temp/body;
  proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi;
  uwsgi_temp_path $work/temp/uwsgi;
  scgi_temp_path $work/temp/scgi;
  default_type application/octet-stream;
  sendfile on;
  map "" \$served_root { default $root; }
  $blocks
}
CONF
  nginx -p "$work" -e "$work/error.log" -c "$work/nginx.conf" -g 'daemon off;' &
  server_started $!
}

start_nginx() {
  local port=$1 root work=$3 extra=${4:-} listen="127.0.0.1:$1" tls=""
  root=$(realpath "$2")
  if [ -n "${NGINX_TLS_CERT:-}" ]; then
    listen+=" ssl"
    tls="ssl_certificate $NGINX_TLS_CERT.pem; ssl_certificate_key $NGINX_TLS_CERT.key;"
  fi
  mkdir -p "$work"
  work=$(realpath "$work")
  _run_nginx "$work" "$root" "
  server {
    listen $listen;
    $tls
    location /download/lite/ {
      alias $root/;
      $extra
    }
  }"
  wait_port "$port"
}

_nginx_blocks=""
nginx_block() { _nginx_blocks+="$1"; }

nginx_tls_server() {
  local name=$1 port=$2 cert=$3; shift 3
  nginx_block "
  server {
    listen 127.0.0.1:$port ssl;
    server_name $name;
    ssl_certificate $cert.pem;
    ssl_certificate_key $cert.key;
    ssl_protocols TLSv1.2 TLSv1.3;
    root \$served_root;
    $*
  }"
}

nginx_plain_server() {
  local name=$1 port=$2; shift 2
  nginx_block "
  server {
    listen 127.0.0.1:$port;
    server_name $name;
    access_log logs/plain-$port.log;
    root \$served_root;
    $*
  }"
}

start_nginx_servers() {
  mkdir -p "$1"
  _run_nginx "$(realpath "$1")" "$(realpath "$2")" "$_nginx_blocks"
  _nginx_blocks=""
}

start_python() {
  local port=$1 root=$2 log=$3
  shift 3
  : >"$log"
  python3 "$_servers_dir/../e2e/e2e_server.py" "$port" "$root" "$log" "$@" >/dev/null &
  server_started $!
  wait_port "$port"
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
  _log_pid "$squid_pid"
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    kill -0 "$squid_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "squid did not start:" >&2
  cat "$work/squid.out" "$work/cache.log" >&2 2>/dev/null
  return 1
}
