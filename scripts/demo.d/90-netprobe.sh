# Probes of this computer and a short download from a web server on loopback.
step "This computer as the speed test sees it (zeva-netprobe system)"
"$bin/zeva-netprobe" system

step "A 2-second download and a page timing from a loopback nginx (zeva-netprobe)"
www="$PWD/$demo/www"
mkdir -p "$www/root" "$www/tmp"
truncate -s 256M "$www/root/test.bin"
echo '<html><body>speed test</body></html>' > "$www/root/index.html"
port=18093
cat > "$www/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $www/nginx.pid;
error_log $www/error.log;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path $www/tmp/body;
    proxy_temp_path $www/tmp/proxy;
    fastcgi_temp_path $www/tmp/fastcgi;
    uwsgi_temp_path $www/tmp/uwsgi;
    scgi_temp_path $www/tmp/scgi;
    server { listen 127.0.0.1:$port; root $www/root; }
}
CONF
nginx -c "$www/nginx.conf" -p "$www" -e "$www/error.log" 2>/dev/null &
www_pid=$!
tests/netlab/netlab.sh wait http "http://127.0.0.1:$port/test.bin"
"$bin/zeva-netprobe" download --direct --duration-ms 2000 "http://127.0.0.1:$port/test.bin" || true
"$bin/zeva-netprobe" web --direct "http://127.0.0.1:$port/" || true
kill "$www_pid" 2>/dev/null || true
wait "$www_pid" 2>/dev/null || true
