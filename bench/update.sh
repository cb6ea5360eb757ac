#!/usr/bin/env bash
# Update engine benchmarks: catalog evaluation of a 2,000-file, 200 MB release
# (time, peak memory), the cost of verifying a signed release beside it, the
# bytes a cut 50 MB transfer costs with and without resume, and GetRemoteFile
# against curl on loopback (nginx).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target bench_update
bin=build/release/bin
data=$(mktemp -d)
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
    rm -rf "$data"
}
trap cleanup EXIT

echo "== Catalog evaluation: 2,000 files, 200 MB, 20 changed"
"$bin/bench_update" generate "$data/eval"
"$bin/bench_update" evaluate "$data/eval"

echo
echo "== Signed releases: signature check and SHA256 beside today's evaluation (same catalog)"
"$bin/bench_update" verify "$data/eval"
rm -rf "$data/eval"

echo
echo "== Resume: a 50 MB file cut three times at random points, with resume against without"
"$bin/bench_update" resume

echo
echo "== Download throughput on loopback: GetRemoteFile against curl (nginx, 8 x 32 MiB)"
mkdir -p "$data/www/1" "$data/nginx/tmp"
for i in $(seq 0 7); do head -c 33554432 /dev/urandom > "$data/www/1/f$i"; done
port=""
for p in $(seq 18280 18380); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then port=$p; break; fi
done
cat > "$data/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $data/nginx/nginx.pid;
error_log $data/nginx/error.log;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    default_type application/octet-stream;
    client_body_temp_path $data/nginx/tmp/body;
    proxy_temp_path $data/nginx/tmp/proxy;
    fastcgi_temp_path $data/nginx/tmp/fcgi;
    uwsgi_temp_path $data/nginx/tmp/uwsgi;
    scgi_temp_path $data/nginx/tmp/scgi;
    server { listen 127.0.0.1:$port; root $data/www; }
}
CONF
/usr/sbin/nginx -p "$data/nginx" -c "$data/nginx/nginx.conf" -e "$data/nginx/error.log" &
nginx_pid=$!
tests/netlab/netlab.sh wait http "http://127.0.0.1:$port/1/f0"
"$bin/bench_update" fetch "$port" "$data/www" 8
