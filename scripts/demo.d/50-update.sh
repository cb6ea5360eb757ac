# A new release of the sample installation: signed and published with
# zeva-publish, served by nginx on loopback, verified and installed by
# ZEVASilentUpdate; then a catalog changed after signing is refused.

step "Sample installation 1.0.0 (client, a plug-in, a text file)"
update_port=$(update_free_port)
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/Config.dat" Update ServerIP 127.0.0.1
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/Config.dat" Update ServerPort "$update_port"
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/Config.dat" Update ServerIP2 ""
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/UserConfig.dat" Server UseProxy 0
# The release key: the private half stays with the publisher, the public half
# goes into the installation, which then accepts signed catalogs only.
rm -f "$demo/release.key"
update_pub=$("$bin/zeva-publish" keygen "$demo/release.key" --json | sed -E 's/.*"publicKey":"([^"]*)".*/\1/')
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/Config.dat" Update PublicKey "$update_pub"
echo "-- Update/PublicKey: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update PublicKey) (private key $demo/release.key, mode $(stat -c %a "$demo/release.key"))"
mkdir -p "$ZEVA_APP_DIR/plug"
printf '#!/bin/sh\necho "ZEVAClient 1.0.0 started with: $*" > "$(dirname "$0")/started.txt"\n' > "$ZEVA_APP_DIR/ZEVAClient"
chmod 755 "$ZEVA_APP_DIR/ZEVAClient"
echo "tool 1.0.0" > "$ZEVA_APP_DIR/plug/工具.dll"
echo "read me" > "$ZEVA_APP_DIR/readme.txt"
update_snapshot > "$demo/update-before.txt"
cat "$demo/update-before.txt"
echo "-- Update/Version: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update Version)"

step "Release 1.0.1 signed and published with zeva-publish (catalog, signature and server folder)"
rm -rf "$demo/release" "$demo/www"
mkdir -p "$demo/release/plug" "$demo/release/skin"
printf '#!/bin/sh\necho "ZEVAClient 1.0.1 started with: $*" > "$(dirname "$0")/started.txt"\n' > "$demo/release/ZEVAClient"
echo "tool 1.0.1" > "$demo/release/plug/工具.dll"
echo "read me" > "$demo/release/readme.txt"
head -c 200000 /dev/urandom > "$demo/release/skin/background.png"
"$bin/zeva-publish" main "$demo/release" --version 1.0.1 --region 330000 --server-root "$demo/www" \
    --sign "$demo/release.key"
echo "-- $demo/www/1/UpdateConfig.ini (first lines, GBK shown as UTF-8):"
iconv -f GBK -t UTF-8 "$demo/www/1/UpdateConfig.ini" | tr -d '\r' | head -14
echo "-- $demo/www/1/UpdateConfig.ini.sig: $(cat "$demo/www/1/UpdateConfig.ini.sig")"

step "Serving the release with nginx on 127.0.0.1:$update_port"
mkdir -p "$demo/nginx/tmp"
cat > "$demo/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $PWD/$demo/nginx/nginx.pid;
error_log $PWD/$demo/nginx/error.log;
events { worker_connections 64; }
http {
    access_log $PWD/$demo/nginx/access.log;
    default_type application/octet-stream;
    client_body_temp_path $PWD/$demo/nginx/tmp/body;
    proxy_temp_path $PWD/$demo/nginx/tmp/proxy;
    fastcgi_temp_path $PWD/$demo/nginx/tmp/fcgi;
    uwsgi_temp_path $PWD/$demo/nginx/tmp/uwsgi;
    scgi_temp_path $PWD/$demo/nginx/tmp/scgi;
    server { listen 127.0.0.1:$update_port; root $PWD/$demo/www; }
}
CONF
/usr/sbin/nginx -p "$PWD/$demo/nginx" -c "$PWD/$demo/nginx/nginx.conf" -e "$PWD/$demo/nginx/error.log" &
update_nginx=$!
trap 'kill "$update_nginx" 2>/dev/null || true' EXIT
tests/netlab/netlab.sh wait http "http://127.0.0.1:$update_port/"
echo "nginx running (pid $update_nginx)"

step "ZEVASilentUpdate against the sample installation"
"$bin/ZEVASilentUpdate" any arguments are ignored
echo "-- exit code $?"
echo "-- requests nginx answered:"
sed -E 's/^.*"(GET [^"]*)" ([0-9]+).*$/   \1 -> \2/' "$demo/nginx/access.log"
echo "-- files that changed (md5 before -> after):"
update_snapshot > "$demo/update-after.txt"
join -j2 -a2 -e '(new)' -o '1.1,2.1,0' <(sort -k2 "$demo/update-before.txt") <(sort -k2 "$demo/update-after.txt") |
    awk '$1 != $2 { printf "   %-12s -> %-12s %s\n", $1, $2, $3 }'
echo "-- Update/Version: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update Version)"
for _ in $(seq 80); do [ -f "$ZEVA_APP_DIR/started.txt" ] && break; sleep 0.1; done
echo "-- after its 5 s pause: $(cat "$ZEVA_APP_DIR/started.txt" 2>/dev/null || echo 'client not started')"
step "A catalog changed on the server after signing (VERSION 1.0.9) is refused"
cp "$demo/www/1/UpdateConfig.ini" "$demo/UpdateConfig.ini.good"
sed -i 's/^VERSION=1.0.1/VERSION=1.0.9/' "$demo/www/1/UpdateConfig.ini"
: > "$demo/nginx/access.log"
"$bin/ZEVASilentUpdate"
echo "-- exit code $?; requests nginx answered:"
sed -E 's/^.*"(GET [^"]*)" ([0-9]+).*$/   \1 -> \2/' "$demo/nginx/access.log"
echo "-- Update/Version: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update Version) (the reason goes to the system log)"
cp "$demo/UpdateConfig.ini.good" "$demo/www/1/UpdateConfig.ini"
kill "$update_nginx" 2>/dev/null || true
wait "$update_nginx" 2>/dev/null || true
trap - EXIT
echo "-- nginx stopped"
