# Download servers for the end-to-end tests, the demo and the benchmark: `source` it.
#   start_nginx PORT ROOT WORKDIR [EXTRA_LOCATION_DIRECTIVES]  nginx in the foreground of a
#                                  private prefix; requests logged to WORKDIR/access.log; with
#                                  NGINX_TLS_CERT=PATH set, over TLS with PATH.pem and PATH.key
#   start_python PORT ROOT LOG [ARGS...]                       tests/e2e/e2e_server.py
#   stop_server                                                 stops the one started last
# Both serve ROOT under /download/lite/ on 127.0.0.1:PORT. The caller's EXIT trap calls stop_server.
_servers_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server_pid=""

stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}

# Waits until PORT accepts connections.
_wait_port() {
  local port=$1
  for _ in $(seq 1 50); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  echo "servers: nothing listens on port $port" >&2
  return 1
}

start_nginx() {
  local port=$1 root=$2 work=$3 extra=${4:-}
  root=$(realpath "$root")
  local listen="127.0.0.1:$port" tls=""
  if [ -n "${NGINX_TLS_CERT:-}" ]; then
    listen+=" ssl"
    tls="ssl_certificate $NGINX_TLS_CERT.pem; ssl_certificate_key $NGINX_TLS_CERT.key;"
  fi
  mkdir -p "$work/temp"
  work=$(realpath "$work")
  : >"$work/access.log"
  cat >"$work/nginx.conf" <<CONF
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
  server {
    listen $listen;
    $tls
    location /download/lite/ {
      alias $root/;
      $extra
    }
  }
}
CONF
  nginx -p "$work" -e "$work/error.log" -c "$work/nginx.conf" -g 'daemon off;' &
  server_pid=$!
  _wait_port "$port"
}

start_python() {
  local port=$1 root=$2 log=$3
  shift 3
  : >"$log"
  python3 "$_servers_dir/e2e_server.py" "$port" "$root" "$log" "$@" >/dev/null &
  server_pid=$!
  _wait_port "$port"
}
