# The interactive updater ZEVAUpdate, offscreen: the running host is closed,
# release 1.0.2 (signed with the key of the update step) is downloaded (nginx on loopback, rate-limited so progress
# shows), installed and the host restarted; then the up-to-date and failure
# states and the notification window of a silent run. Screenshots of every
# state are written.
step "Release 1.0.2 with the host as the client, served rate-limited on loopback"
wizard_port=$(update_free_port)
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/Config.dat" Update ServerPort "$wizard_port"
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/Config.dat" Server WebSiteURL "http://127.0.0.1:$wizard_port/"
rm -rf "$demo/release2" "$demo/www2" "$demo/wizard-nginx" "$demo/shots-failed"
mkdir -p "$demo/release2/plug" "$demo/release2/skin" "$demo/wizard-nginx/tmp"
# The client of the release: records how it was started, then runs the host
# for three seconds and closes it (its output in client-restarted.log).
printf 'run 3\nclose\n' > "$demo/client-3s.txt"
cat > "$demo/release2/ZEVAClient" <<CLIENT
#!/bin/sh
echo "ZEVAClient 1.0.2 started with: \$*" > "\$(dirname "\$0")/started.txt"
QT_QPA_PLATFORM=offscreen exec "$PWD/$bin/ZEVAClient" --timeout 30 --script "$PWD/$demo/client-3s.txt" "\$@" \
    >> "$PWD/$demo/client-restarted.log" 2>&1
CLIENT
chmod 755 "$demo/release2/ZEVAClient"
echo "tool 1.0.2" > "$demo/release2/plug/工具.dll"
echo "read me" > "$demo/release2/readme.txt"
head -c 600000 /dev/urandom > "$demo/release2/skin/background.png"
"$bin/zeva-publish" main "$demo/release2" --version 1.0.2 --region 330000 --server-root "$demo/www2" \
    --sign "$demo/release.key"
cat > "$demo/wizard-nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $PWD/$demo/wizard-nginx/nginx.pid;
error_log $PWD/$demo/wizard-nginx/error.log;
events { worker_connections 64; }
http {
    access_log $PWD/$demo/wizard-nginx/access.log;
    default_type application/octet-stream;
    client_body_temp_path $PWD/$demo/wizard-nginx/tmp/body;
    proxy_temp_path $PWD/$demo/wizard-nginx/tmp/proxy;
    fastcgi_temp_path $PWD/$demo/wizard-nginx/tmp/fcgi;
    uwsgi_temp_path $PWD/$demo/wizard-nginx/tmp/uwsgi;
    scgi_temp_path $PWD/$demo/wizard-nginx/tmp/scgi;
    server { listen 127.0.0.1:$wizard_port; root $PWD/$demo/www2; limit_rate 200k; }
}
CONF
/usr/sbin/nginx -p "$PWD/$demo/wizard-nginx" -c "$PWD/$demo/wizard-nginx/nginx.conf" \
    -e "$PWD/$demo/wizard-nginx/error.log" &
wizard_nginx=$!
trap 'kill "$wizard_nginx" 2>/dev/null || true' EXIT
tests/netlab/netlab.sh wait http "http://127.0.0.1:$wizard_port/"
echo "nginx running on 127.0.0.1:$wizard_port (200 KB/s per connection)"

step "ZEVAUpdate: check, 立即升级, progress, the running host closed, install, restart"
shots=$ZEVA_DEMO_SHOTS
rm -f "$ZEVA_APP_DIR/started.txt"
QT_QPA_PLATFORM=offscreen "$bin/ZEVAClient" --timeout 60 > "$demo/host-before.log" 2>&1 &
wizard_host=$!
# The updater looks for its window only after the download, seconds from now.
sleep 1
echo "host running (pid $wizard_host)"
update_snapshot > "$demo/wizard-before.txt"
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAUpdate" --screenshot "$shots" --answer upgrade
echo "-- ZEVAUpdate exit code $?"
wait "$wizard_host"
echo "-- the host that was running ended with exit code $? (0: closed by WM_CLOSE)"
update_snapshot > "$demo/wizard-after.txt"
echo "-- files that changed (md5 before -> after):"
join -j2 -a2 -e '(new)' -o '1.1,2.1,0' <(sort -k2 "$demo/wizard-before.txt") <(sort -k2 "$demo/wizard-after.txt") |
    awk '$1 != $2 { printf "   %-12s -> %-12s %s\n", $1, $2, $3 }'
echo "-- Update/Version: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update Version)"
echo "-- UpdateRecord.dat:"
"$bin/zeva-cfg" dump "$ZEVA_APP_DIR/UpdateRecord.dat" | sed 's/^/   /'
for _ in $(seq 50); do [ -f "$ZEVA_APP_DIR/started.txt" ] && break; sleep 0.1; done
echo "-- restarted at once: $(cat "$ZEVA_APP_DIR/started.txt" 2>/dev/null || echo 'client not started')"
sleep 3.5

step "ZEVAUpdate again: the installed release is current"
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAUpdate" --screenshot "$shots" --answer upgrade
echo "-- exit code $?"

step "Release 1.0.3 whose file differs from its catalog: nothing is installed"
echo "tool 1.0.3" > "$demo/release2/plug/工具.dll"
"$bin/zeva-publish" main "$demo/release2" --version 1.0.3 --region 330000 --notify --server-root "$demo/www2" \
    --sign "$demo/release.key" >/dev/null
good=$(mktemp)
cp "$demo/www2/1/plug/工具.dll" "$good"
echo "tool 1.0.X" > "$demo/www2/1/plug/工具.dll"
# Only the failure picture is kept: the others of this run show release 1.0.3 on offer.
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAUpdate" --screenshot "$demo/shots-failed" --answer upgrade
echo "-- exit code $?; installed: $(cat "$ZEVA_APP_DIR/plug/工具.dll"); Update/Version: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update Version)"
cp "$demo/shots-failed/update-failed.png" "$shots/"
cp "$good" "$demo/www2/1/plug/工具.dll"
rm -f "$good"

step "ZEVAUpdate -silent: the notification window above the taskbar, answered 立即升级"
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAUpdate" -silent --screenshot "$shots" --answer yes
echo "-- exit code $?; installed: $(cat "$ZEVA_APP_DIR/plug/工具.dll"); Update/Version: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/Config.dat" Update Version)"
sleep 3.5
kill "$wizard_nginx" 2>/dev/null || true
wait "$wizard_nginx" 2>/dev/null || true
trap - EXIT
ls -l "$shots"/update-*.png
