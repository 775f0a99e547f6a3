# Sourced: start_tls_nginx WORK ROOT CERTS, then tls_server NAME PORT CERT [extra directives]...
# Writes one nginx configuration with an HTTPS server per call of tls_server (and plain ones
# with plain_server NAME PORT [directives]), then start_tls_nginx starts nginx as one process of
# ours (no master, no user switch) with every path it writes under WORK. stop_tls_nginx ends it.
tls_servers=""
tls_server() {
  local name=$1 port=$2 cert=$3; shift 3
  tls_servers+="
    server {
        listen 127.0.0.1:$port ssl;
        server_name $name;
        ssl_certificate $cert.pem;
        ssl_certificate_key $cert.key;
        ssl_protocols TLSv1.2 TLSv1.3;
        root \$tls_root;
        $*
    }"
}
plain_server() {
  local name=$1 port=$2; shift 2
  tls_servers+="
    server {
        listen 127.0.0.1:$port;
        server_name $name;
        access_log logs/plain-$port.log;
        root \$tls_root;
        $*
    }"
}
tls_nginx_pid=""
start_tls_nginx() {
  local work=$1 root=$2
  mkdir -p "$work/logs" "$work/temp"
  cat >"$work/nginx.conf" <<CONF
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 64; }
http {
    access_log $work/logs/access.log;
    client_body_temp_path $work/temp/body;
    proxy_temp_path $work/temp/proxy;
    fastcgi_temp_path $work/temp/fastcgi;
    uwsgi_temp_path $work/temp/uwsgi;
    scgi_temp_path $work/temp/scgi;
    default_type application/octet-stream;
    sendfile on;
    map "" \$tls_root { default $root; }
    $tls_servers
}
CONF
  nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
  tls_nginx_pid=$!
}
stop_tls_nginx() {
  [ -n "$tls_nginx_pid" ] && kill "$tls_nginx_pid" 2>/dev/null && wait "$tls_nginx_pid" 2>/dev/null
  tls_nginx_pid=""
  return 0
}
# wait_tls_port PORT: until something listens there (5 s at most).
wait_tls_port() {
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "no server on port $1" >&2
  return 1
}
# free_tls_ports N: N different free ports, all held until every one is chosen (ports chosen one by
# one may come back twice).
free_tls_ports() {
  python3 -c 'import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held: s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in held))' "$1"
}
