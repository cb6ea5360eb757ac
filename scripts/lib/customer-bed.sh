#!/usr/bin/env bash
# A customer's installation in a network bed: every plug-in of the build, a
# catalogue listing them for the toolbox and the host, settings pointing at
# the bed, and the back-office emulator with a speed-test server, an account
# and work orders. The host runs in the bed's client namespace.
#
#   customer-bed.sh --interactive BIN_DIR OUT_DIR
#       the host on this display (DISPLAY or WAYLAND_DISPLAY) until it is closed
#   customer-bed.sh --script FILE BIN_DIR OUT_DIR [--timeout S]
#       the host offscreen playing FILE ($APP, $OUT, $NETLAB_* expanded by the caller)
#
# The bed (tests/netlab `link`: a 20 Mbit/s line to a web server) is always
# removed when the host ends; OUT_DIR keeps the installation and the logs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

die() { echo "customer-bed: $*" >&2; exit 2; }

mode=${1:-}
script=""
case $mode in
    --interactive) shift ;;
    --script) script=${2:?--script needs a file}; shift 2 ;;
    --in-bed) shift ;;
    *) die "usage: customer-bed.sh --interactive|--script FILE BIN_DIR OUT_DIR" ;;
esac
bin=${1:?BIN_DIR missing} out=${2:?OUT_DIR missing}
host_timeout=300
if [[ $mode == --in-bed ]]; then
    host_timeout=$3
elif [[ ${3:-} == --timeout ]]; then
    host_timeout=${4:?--timeout needs seconds}
fi
[[ $host_timeout =~ ^[0-9]+$ ]] || die "--timeout takes seconds"
[[ -x $bin/ZEVAClient ]] || die "no ZEVAClient in $bin (build the release preset first)"

if [[ $mode != --in-bed ]]; then
    rm -rf "$out"
    mkdir -p "$out/app/plug" "$out/app/ProvincePlug" "$out/registry" "$out/shots"
    # Every plug-in the build made, in the folder it was built for.
    built=${bin%/bin}/app
    shopt -s nullglob
    for so in "$built"/plug/*.so "$built"/ProvincePlug/*.so; do
        cp "$so" "$out/app/${so#"$built/"}"
    done
    shopt -u nullglob
    printf '%s\n' "$mode" > "$out/mode"
    printf '%s\n' "$script" > "$out/script-file"
    exec "$root/tests/netlab/netlab.sh" run link --rate 20mbit --file-mb 256 -- \
        "$0" --in-bed "$bin" "$out" "$host_timeout"
fi

# --- inside the bed ---
mode=$(cat "$out/mode") script=$(cat "$out/script-file")
ns=$NETLAB_CLIENT_NS app=$out/app
cfg() { "$bin/zeva-cfg" "$@" >/dev/null; }
# The scans look at the network of the default route.
ip -n "$ns" route add default via "$NETLAB_SERVER_IP"

export ZEVA_APP_DIR=$app/ ZEVA_REGISTRY_DIR=$out/registry
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

"$bin/zeva-cfg" import "$app/Config.dat" >/dev/null <<INI
[Update]
Version=3.1.0.7
Region=330000
ServerIP=$NETLAB_SERVER_IP
ServerPort=80
ServerIP2=
ServerPort2=0
[Server]
WebSiteURL=http://$NETLAB_SERVER_IP/
ServiceURL=http://127.0.0.1:16905/kelv/BService.ws
INI
cfg set "$app/UserConfig.dat" Server UseProxy 0
cfg set "$app/UserData.dat" UserInfo Account "0571a88001234"
cfg set "$app/UserData.dat" UserInfo City "杭州"
cfg set "$app/UserData.dat" UserInfo NetType \
    "<Id>8</Id><BandType>光纤宽带</BandType><BandRate>20M</BandRate><MaxValue>20480</MaxValue><Value>20000</Value><Description>家庭光纤</Description>"
cfg set "$app/SpeedTest.dat" Area 杭州 杭州地区
for site in page.html index.html test.bin a.html b.html c.html; do
    cfg set "$app/SpeedTest.dat" Http "http://$NETLAB_SERVER_IP/$site" ""
done

# The catalogue: each plug-in present but the toolbox itself, under a title.
title_of() {
    case $1 in
        ZEVAPlug_SpeedTest) echo 宽带测速 ;;
        ZEVAPlug_Receipt) echo 装维回单 ;;
        ZEVAPlug_AntiPilferNet) echo 防蹭网 ;;
        ZEVAPlug_Sample) echo 插件示例 ;;
        *) echo "$1" ;;
    esac
}
catalogue() {
    local folder=$1 file=$2 names=() so name n=0
    shopt -s nullglob
    for so in "$app/$folder"/*.so; do
        name=$(basename "$so" .so)
        [[ $name == ZEVAPlug_TreasureBox ]] && continue
        names+=("$name")
    done
    shopt -u nullglob
    {
        echo "[功能大全细]"
        echo "PlugNum=${#names[@]}"
        for name in "${names[@]}"; do n=$((n + 1)); echo "$n=$(title_of "$name")"; done
        for name in "${names[@]}"; do
            printf '[%s]\nPlugModuleName=%s\\%s.dll\nSummary=%s\nShowMode=1\n' \
                "$(title_of "$name")" "$folder" "$name" "$(title_of "$name")"
        done
    } | "$bin/zeva-cfg" import "$file" >/dev/null
}
catalogue plug "$app/plug/PlugConfig.dat"
catalogue ProvincePlug "$app/ProvincePlug/ProvincePlugConfig.dat"

cat > "$out/data.txt" <<DATA
[getCurrentAccount]
0571a88001234

[getSpeedConfigList]
<SpeedConfigs><SpeedConfig><Id>1</Id><Title>杭州测速点</Title><Url>$NETLAB_URL</Url><Type>1</Type><City>杭州</City><Description>bed</Description><CTime>2026-12-01 09:00:00</CTime></SpeedConfig></SpeedConfigs>

[getUserNameAndWorkListNum]
<QOLT><UserName>王师傅</UserName><List><WorkListNum>GD20261207001</WorkListNum><WorkListNum>GD20261207014</WorkListNum></List></QOLT>

[upFinish]
<Result>1</Result><ResultDesc>回单成功，工单已归档。</ResultDesc>
DATA
ip netns exec "$ns" "$bin/zeva-backoffice" --port 16905 --port-file "$out/backoffice.port" \
    --data "$out/data.txt" --log "$out/backoffice.log" --quiet &
emulator=$!
trap 'kill $emulator 2>/dev/null || true; wait $emulator 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [[ -s $out/backoffice.port ]] && break; sleep 0.05; done
[[ -s $out/backoffice.port ]] || die "the back-office emulator did not start"

echo "customer-bed: line $NETLAB_RATE ($NETLAB_DELAY) to $NETLAB_SERVER_IP; emulator on the client's 127.0.0.1:16905"
echo "customer-bed: plug-ins: $(cd "$app" && ls plug/*.so ProvincePlug/*.so 2>/dev/null | xargs -r -n1 basename | tr '\n' ' ')"

if [[ $mode == --interactive ]]; then
    # The display's sockets are files (X11 falls back to /tmp/.X11-unix from a
    # namespace of its own), so the host reaches them from the bed.
    display_env=()
    for v in DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR XAUTHORITY XDG_SESSION_TYPE; do
        [[ -n ${!v:-} ]] && display_env+=("$v=${!v}")
    done
    if [[ -z ${XAUTHORITY:-} && -n ${SUDO_USER:-} ]]; then
        xauth_file="$(getent passwd "$SUDO_USER" | cut -d: -f6)/.Xauthority"
        [[ -f $xauth_file ]] && display_env+=("XAUTHORITY=$xauth_file")
    fi
    if [[ ${DISPLAY:-} == *:* && ${DISPLAY%%:*} != "" && ${DISPLAY%%:*} != unix ]]; then
        echo "customer-bed: DISPLAY=$DISPLAY is reached over TCP, which the bed's namespace cannot; use a local display" >&2
    fi
    echo "customer-bed: the host is open; close its window to remove the bed"
    rc=0
    ip netns exec "$ns" env -u QT_QPA_PLATFORM "${display_env[@]}" ZEVA_APP_DIR="$app/" \
        ZEVA_REGISTRY_DIR="$out/registry" "$bin/ZEVAClient" || rc=$?
    echo "customer-bed: the host ended (exit status $rc); removing the bed"
    exit "$rc"
fi

mkdir -p -m 700 "$out/run"
ip netns exec "$ns" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$out/run" ZEVA_APP_DIR="$app/" \
    ZEVA_REGISTRY_DIR="$out/registry" \
    timeout "$((host_timeout + 10))" "$bin/ZEVAClient" --timeout "$host_timeout" \
    --screenshot "$out/shots" --script "$script"
