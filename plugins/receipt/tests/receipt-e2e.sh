#!/usr/bin/env bash
# The receipt page end to end, run by netlab.sh inside a `link` bed:
#   netlab.sh run link --rate R -- receipt-e2e.sh BIN_DIR PLUGIN OUT_DIR
# The host runs in the bed's client namespace against the back-office
# emulator on that namespace's loopback; the test servers are the bed's web
# server. It opens the page, runs the test, trips one submit check, fills
# the form, picks a work order and submits. OUT_DIR receives the emulator's
# request log, the bed's client MAC and the screenshots.
set -euo pipefail

bin=$1 plugin=$2 out=$3
ns=$NETLAB_CLIENT_NS
app=$out/app
mkdir -p "$app/ProvincePlug" "$app/plug" "$out/shots" "$out/registry"
cp "$plugin" "$app/ProvincePlug/"

# The scan looks at the network of the default route.
ip -n "$ns" route add default via "$NETLAB_SERVER_IP"
ip -n "$ns" link show veth0 | awk '/link\/ether/ {print toupper($2)}' | tr ':' '-' > "$out/mac.txt"

# A runtime folder of its own: the host's window is found by class there only.
mkdir -p -m 700 "$out/run"
export ZEVA_APP_DIR=$app/ ZEVA_REGISTRY_DIR=$out/registry XDG_RUNTIME_DIR=$out/run
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
"$bin/zeva-cfg" set "$app/Config.dat" Server ServiceURL "http://127.0.0.1:16905/kelv/BService.ws"
"$bin/zeva-cfg" set "$app/Config.dat" Update Version "3.1.0.7"
"$bin/zeva-cfg" set "$app/UserData.dat" UserInfo Account "0571a88001234"
"$bin/zeva-cfg" set "$app/UserData.dat" UserInfo NetType \
    "<Id>8</Id><BandType>光纤宽带</BandType><BandRate>8M</BandRate><MaxValue>4096</MaxValue><Value>4000</Value><Description>家庭光纤</Description>"

cat > "$out/data.txt" <<DATA
[getCurrentAccount]
0571a88001234

[getSpeedConfigList]
<SpeedConfigs><SpeedConfig><Id>1</Id><Title>测速点</Title><Url>$NETLAB_URL</Url><Type>1</Type><City>杭州</City><Description>bed</Description><CTime>2026-12-01 09:00:00</CTime></SpeedConfig></SpeedConfigs>

[getUserNameAndWorkListNum]
<QOLT><UserName>王师傅</UserName><List><WorkListNum>GD20261207001</WorkListNum><WorkListNum>GD20261207014</WorkListNum></List></QOLT>

[upFinish]
<Result>1</Result><ResultDesc>回单成功，工单已归档。</ResultDesc>
DATA

ip netns exec "$ns" "$bin/zeva-backoffice" --port 16905 --port-file "$out/port" \
    --data "$out/data.txt" --log "$out/backoffice.log" --quiet &
emulator=$!
trap 'kill $emulator 2>/dev/null || true; wait $emulator 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [[ -s $out/port ]] && break; sleep 0.05; done
[[ -s $out/port ]] || { echo "receipt-e2e: the emulator did not start" >&2; exit 1; }
"$(cd "$(dirname "$0")/../../.." && pwd)/tests/netlab/netlab.sh" wait http \
    "http://127.0.0.1:16905/kelv/BService.ws" --ns "$ns"

shots=$out/shots
cat > "$out/script.txt" <<SCRIPT
open ZEVAPlug_Receipt.dll
wait 10159 "0571a88001234"
expect 10007 "GD20261207001"
shot $shots/receipt-opened.png
click 10005
advance 15500
wait 10033 测速结果已达标
shot $shots/receipt-tested.png
click 10004
wait 32274 请填写装维服务工程师姓名！
shot $shots/receipt-check.png
click 1
type 10153 王师傅
type 10154 13900001111
type 10012 线路正常，已复测
select 10007 1
click 10004
wait 32274 回单成功，工单已归档。
click 1
close
SCRIPT

QT_QPA_PLATFORM=offscreen ip netns exec "$ns" env ZEVA_APP_DIR="$app/" \
    ZEVA_REGISTRY_DIR="$out/registry" QT_QPA_PLATFORM=offscreen \
    timeout 120 "$bin/ZEVAClient" --timeout 110 --screenshot "$shots" --script "$out/script.txt"
