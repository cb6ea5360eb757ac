#!/usr/bin/env bash
# Runs inside the bed's client namespace (see download_in_bed.sh): only the
# namespace's loopback and its shaped link to the bed's server exist here.
set -euo pipefail
work=$E2E_WORK bin=$E2E_BIN
netlab=$(cd "$(dirname "$0")/../../.." && pwd)/tests/netlab/netlab.sh
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
ip link set lo up
app=$work/app
mkdir -p "$app/ProvincePlug" "$work/run" "$work/shots"
chmod 700 "$work/run"
export ZEVA_APP_DIR=$app/ ZEVA_REGISTRY_DIR=$work/registry XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
cp "$E2E_APPBUILD/ProvincePlug/ZEVAPlug_SpeedTest.so" "$app/ProvincePlug/"

if [[ -n ${E2E_DEFAULT_DATA:-} ]]; then
    # The emulator's default data as it is: its speed-test servers are files
    # on 127.0.0.1:18080, served here on the namespace's loopback.
    "$bin/zeva-backoffice" --print-data > "$work/data.dat"
    mkdir -p "$work/www/tmp"
    for city in hz nb zj; do mkdir -p "$work/www/speed/$city" && truncate -s 1024M "$work/www/speed/$city/100M.bin"; done
    cat > "$work/www/nginx.conf" <<CONF
worker_processes 1;
pid $work/www/nginx.pid;
error_log $work/www/error.log;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    client_body_temp_path $work/www/tmp/body;
    proxy_temp_path $work/www/tmp/proxy;
    fastcgi_temp_path $work/www/tmp/fastcgi;
    uwsgi_temp_path $work/www/tmp/uwsgi;
    scgi_temp_path $work/www/tmp/scgi;
    server { listen 127.0.0.1:18080; root $work/www; }
}
CONF
    nginx -c "$work/www/nginx.conf" -p "$work/www" -e "$work/www/error.log"
    "$netlab" wait http http://127.0.0.1:18080/
else
    # The emulator's own data with the speed-test servers pointing at the bed's nginx.
    "$bin/zeva-backoffice" --print-data | sed -E "s#http://127\.0\.0\.1:18080/speed/[a-z]+/100M\.bin#$NETLAB_URL#g" > "$work/data.dat"
    grep -q "$NETLAB_URL" "$work/data.dat" || { echo "the emulator data has no speed-test list to point at the bed" >&2; exit 1; }
fi
"$bin/zeva-backoffice" --port 0 --port-file "$work/port" --log "$work/requests.jsonl" --data "$work/data.dat" --quiet &
emulator=$!
trap 'kill $emulator 2>/dev/null || true' EXIT
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.05; done
[[ -s $work/port ]] || { echo "zeva-backoffice did not start" >&2; exit 1; }
service="http://127.0.0.1:$(cat "$work/port")/kelv/BService.ws"
"$netlab" wait http "$service"

"$bin/zeva-cfg" import "$app/Config.dat" <<INI
[Update]
Version=2.1.0
[Server]
ServiceURL=$service
INI
"$bin/zeva-cfg" set "$app/SpeedTest.dat" Area 杭州 杭州地区
# The main client fills the client library's cache; here zeva-client does.
account=$("$bin/zeva-client" --service "$service" --timeout 5 GetCurrentAccount | sed -n 's/^account: //p')
"$bin/zeva-client" --service "$service" --timeout 5 GetAccountNetType "$account" >/dev/null
"$bin/zeva-client" --service "$service" --timeout 5 GetAccountCity "$account" >/dev/null

shots=$work/shots
cat > "$work/script.txt" <<SCRIPT
open ZEVAPlug_SpeedTest.so
wait 14078 您的宽带信息获取成功
shot $shots/speedtest-landing.png
click 14007
click 14012
advance 1000
wait 14033 正在测试网速，请稍后...
advance 5000
shot $shots/speedtest-running.png
# The test takes 15 s; the analysis after it scans the namespace's network.
wait 14033 下载测速完成! 45
advance 500
shot $shots/speedtest-finished.png
click 14058
shot $shots/speedtest-help.png
click 14017
click 14070
shot $shots/speedtest-report.png
click 14109
waitnot 14098/1087 正在搜索局域网内的设备，请稍候... 30
shot $shots/speedtest-sharenet.png
click 14098/14013
click 14013
close
SCRIPT
"$bin/ZEVAClient" --timeout 120 --script "$work/script.txt" > "$work/host.log" 2>&1 || {
    echo "the host script failed:" >&2; cat "$work/host.log" >&2; exit 1; }

report=$(grep '"operation":"setSpeedInfo"' "$work/requests.jsonl" | tail -1 || true)
[[ -n $report ]] || { echo "the emulator received no setSpeedInfo" >&2; cat "$work/requests.jsonl" >&2; exit 1; }
kb=$(grep -o 'ResponseRate>[0-9]*<' <<<"$report" | grep -o '[0-9]*' | head -1)
[[ -n $kb ]] || { echo "no ResponseRate in: $report" >&2; exit 1; }
shaped_kb=$(( NETLAB_RATE_BITS / 8 / 1024 ))
# tbf meters whole frames: a TCP download carries at most 1448 of every 1514 bytes.
ceiling_kb=$(( shaped_kb * 1448 / 1514 ))
if [[ -n ${E2E_DEFAULT_DATA:-} ]]; then
    echo "default data, test files on the namespace's loopback: ResponseRate $kb KB/s"
else
    echo "link $NETLAB_RATE ($NETLAB_DELAY): shaped $shaped_kb KB/s, TCP ceiling $ceiling_kb KB/s, ResponseRate $kb KB/s"
fi
echo "$NETLAB_RATE $shaped_kb $ceiling_kb $kb" > "$work/result.txt"
if [[ -n $E2E_SHOTS ]]; then mkdir -p "$E2E_SHOTS" && cp "$shots"/*.png "$E2E_SHOTS"/; fi

# For the benchmark: the engine alone (zeva-netprobe) and iperf3 on the same link.
if [[ -n ${E2E_BENCH:-} ]]; then
    engine_kb=$("$bin/zeva-netprobe" --json download --duration-ms 15000 "$NETLAB_URL" 2>/dev/null |
        grep -o '"average_kbps":[0-9]*' | cut -d: -f2 || true)
    iperf_kbit=$(iperf3 -c "$NETLAB_SERVER_IP" -R -t 10 -O 1 -f k 2>/dev/null | awk '/receiver/ {print $(NF-2)}' || true)
    echo "$NETLAB_RATE $shaped_kb $ceiling_kb $kb ${engine_kb:-0} ${iperf_kbit:-0}" > "$work/result.txt"
fi

[[ -z ${E2E_DEFAULT_DATA:-} ]] || exit 0
# The machine's counters count whole frames, as the shaper meters them: the
# report must be close to the shaped rate itself.
(( kb * 100 >= shaped_kb * 90 && kb * 100 <= shaped_kb * 103 )) || { echo "ResponseRate $kb KB/s does not match the link" >&2; exit 1; }
