#!/usr/bin/env bash
# The web-page test end to end on a network namespace of its own that has
# only its loopback: web servers of different speeds (one that accepts and
# never answers), the back-office emulator, and the host running the test
# with two own addresses. The emulator's log must hold one setHttpInfo
# record per site.
#   http_on_loopback.sh BIN_DIR APP_BUILD_DIR [--shots DIR]
# Needs root (unshare -n); exits 77 (skipped) without it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "$1"); appbuild=$(realpath "$2"); shift 2
shots=""
[[ ${1:-} == --shots ]] && shots=$(realpath -m "$2")
if [[ $(id -u) -ne 0 ]] || ! unshare -n true 2>/dev/null; then
    echo "web-page test end to end: needs root and network namespaces, skipped"
    exit 77
fi
if [[ -z ${E2E_INSIDE:-} ]]; then
    exec env E2E_INSIDE=1 unshare -n bash "$0" "$bin" "$appbuild" ${shots:+--shots "$shots"}
fi

unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
ip link set lo up
work=$(mktemp -d /tmp/zeva-httptest-e2e.XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; [[ -n ${E2E_KEEP:-} ]] || rm -rf "$work"; }
trap cleanup EXIT
app=$work/app
mkdir -p "$app/ProvincePlug" "$work/run" "$work/shots" "$work/www"
chmod 700 "$work/run"
export ZEVA_APP_DIR=$app/ ZEVA_REGISTRY_DIR=$work/registry XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
cp "$appbuild/ProvincePlug/ZEVAPlug_SpeedTest.so" "$app/ProvincePlug/"
echo "<html><body>zeva</body></html>" > "$work/www/index.html"

# Port 18081 answers at once, 18082 after 1.5 s, 18083 accepts and never answers.
python3 - "$work/www" <<'PY' &
import http.server, socketserver, sys, threading, time, functools, socket
root = sys.argv[1]
class Slow(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        time.sleep(1.5)
        super().do_GET()
    def log_message(self, *a): pass
class Fast(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *a): pass
for port, handler in ((18081, Fast), (18082, Slow)):
    srv = socketserver.ThreadingTCPServer(("127.0.0.1", port), functools.partial(handler, directory=root))
    srv.daemon_threads = True
    threading.Thread(target=srv.serve_forever, daemon=True).start()
silent = socket.socket(); silent.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
silent.bind(("127.0.0.1", 18083)); silent.listen(64)
held = []
while True:
    conn, _ = silent.accept(); held.append(conn)
PY
pids+=($!)
"$bin/zeva-backoffice" --port 0 --port-file "$work/port" --log "$work/requests.jsonl" --quiet &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.05; done
[[ -s $work/port ]] || { echo "zeva-backoffice did not start" >&2; exit 1; }
service="http://127.0.0.1:$(cat "$work/port")/kelv/BService.ws"
"$bin/zeva-cfg" set "$app/Config.dat" Server ServiceURL "$service"
sites=("127.0.0.1:18081/index.html" "127.0.0.1:18082/index.html" "127.0.0.1:18083/" "127.0.0.1:18084/"
       "localhost:18081/" "127.0.0.2:18081/")
for s in "${sites[@]}"; do "$bin/zeva-cfg" set "$app/SpeedTest.dat" Http "$s" 1; done

cat > "$work/script.txt" <<SCRIPT
open ZEVAPlug_SpeedTest.so
wait 14078 *
click 14008
type 14026 http://127.0.0.1:18081/index.html
click 14027
type 14026 http://127.0.0.1:18082/
click 14027
shot $work/shots/speedtest-http-idle.png
click 14018
wait 1091 网页测速完成 120
run 2
shot $work/shots/speedtest-http-finished.png
click 14017
shot $work/shots/speedtest-http-report.png
close
SCRIPT
"$bin/ZEVAClient" --timeout 180 --script "$work/script.txt" > "$work/host.log" 2>&1 || {
    echo "the host script failed:" >&2; cat "$work/host.log" >&2; exit 1; }

upload=$(grep '"operation":"setHttpInfo"' "$work/requests.jsonl" | tail -1 || true)
[[ -n $upload ]] || { echo "the emulator received no setHttpInfo" >&2; cat "$work/requests.jsonl" >&2; exit 1; }
records=$(grep -o '<Http>' <<<"$upload" | wc -l)
echo "setHttpInfo with $records records"
(( records == 8 )) || { echo "expected 8 records: $upload" >&2; exit 1; }
ok=$(grep -o '<Result>1</Result>' <<<"$upload" | wc -l)
echo "answered: $ok"
(( ok >= 5 )) || { echo "too few answered sites: $upload" >&2; exit 1; }
grep -q '<Url>127.0.0.1:18084/</Url>' <<<"$upload" || { echo "the closed port is missing" >&2; exit 1; }
if [[ -n $shots ]]; then mkdir -p "$shots" && cp "$work/shots"/*.png "$shots"/; fi
