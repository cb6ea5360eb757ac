#!/usr/bin/env bash
# The shared-network window end to end: in a LAN bed of tests/netlab with
# six devices (the last one the gateway) the host runs a web-page test, opens
# the report and its "查看" link; the window must count the scanning
# computer and five devices, the gateway left out.
#   sharenet_in_lan.sh BIN_DIR APP_BUILD_DIR [--shots DIR]
# Needs root; exits 77 (skipped) without it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
bin=$(realpath "$1"); appbuild=$(realpath "$2"); shift 2
shots=""
[[ ${1:-} == --shots ]] && shots=$(realpath -m "$2")
if [[ $(id -u) -ne 0 ]] || ! ip netns list >/dev/null 2>&1; then
    echo "shared-network window end to end: needs root and ip netns, skipped"
    exit 77
fi
work=$(mktemp -d /tmp/zeva-sharenet-e2e.XXXXXX)
[[ -n ${E2E_KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
export E2E_WORK=$work E2E_BIN=$bin E2E_APPBUILD=$appbuild
NETLAB_ID=sn$$ "$root/tests/netlab/netlab.sh" run lan --hosts 6 -- bash -c '
    ip netns exec "$NETLAB_SCAN_NS" bash -c "
        set -euo pipefail
        unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
        ip link set lo up
        app=\$E2E_WORK/app
        mkdir -p \$app/ProvincePlug \$E2E_WORK/run \$E2E_WORK/shots
        chmod 700 \$E2E_WORK/run
        export ZEVA_APP_DIR=\$app/ ZEVA_REGISTRY_DIR=\$E2E_WORK/registry XDG_RUNTIME_DIR=\$E2E_WORK/run QT_QPA_PLATFORM=offscreen
        cp \$E2E_APPBUILD/ProvincePlug/ZEVAPlug_SpeedTest.so \$app/ProvincePlug/
        cat > \$E2E_WORK/script.txt <<SCRIPT
open ZEVAPlug_SpeedTest.so
wait 14078 *
click 14008
type 14026 127.0.0.1:9/
click 14027
click 14018
wait 1091 网页测速完成 60
waitvisible 14017 60
click 14017
waitvisible 14109 10
click 14109
waitnot 14098/1087 正在搜索局域网内的设备，请稍候... 60
shot \$E2E_WORK/shots/speedtest-sharenet.png
expect 14098/1087 发现6台设备正在与您使用同一个网络!
click 14098/14013
close
SCRIPT
        \$E2E_BIN/ZEVAClient --timeout 180 --script \$E2E_WORK/script.txt > \$E2E_WORK/host.log 2>&1 || {
            echo the host script failed: >&2; cat \$E2E_WORK/host.log >&2; exit 1; }
    "'
if [[ -n $shots ]]; then mkdir -p "$shots" && cp "$work/shots"/*.png "$shots"/; fi
echo "shared-network window: 6 devices shown, the gateway left out"
