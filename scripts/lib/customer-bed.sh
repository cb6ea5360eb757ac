#!/usr/bin/env bash
# A customer's home in a network bed (tests/netlab `home`: a LAN of twelve
# devices that answer to their names, the home router with its DNS server, a
# 20 Mbit/s line to the provider's speed-test server, web sites of different
# speeds and the update server), the installation as the package lays it out
# (host, updaters, every plug-in, the toolbox's catalogue, settings pointing
# at the bed) and the back-office emulator.
#
#   customer-bed.sh --day BIN_DIR OUT_DIR [--timeout S] [--fault OP=WHAT]
#       the customer's day, unattended and offscreen: the host plays
#       customer-day.txt, the toolbox brings the regional folder to a newer
#       release, ZEVASilentUpdate installs a signed main release and starts
#       the client again; a summary is printed and the screenshots are in
#       OUT_DIR/shots
#   customer-bed.sh --interactive BIN_DIR OUT_DIR
#       the host on this display (DISPLAY or WAYLAND_DISPLAY) until it is closed
#   customer-bed.sh --script FILE BIN_DIR OUT_DIR [--timeout S]
#       the host offscreen playing FILE ($APP, $OUT, $NETLAB_* expanded by the caller)
#
# --fault hands a fault to the back-office emulator (zeva-backoffice --fault).
# BIN_DIR is build/<preset>/bin of a built tree. The bed is always removed
# when the host ends; OUT_DIR keeps the installation and the logs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=customer-data.sh
source "$here/customer-data.sh"
root=$(cd "$here/../.." && pwd)

die() { echo "customer-bed: $*" >&2; exit 2; }

mode=${1:-}
script=""
case $mode in
    --interactive|--day) shift ;;
    --script) script=${2:?--script needs a file}; shift 2 ;;
    --in-bed) shift ;;
    *) die "usage: customer-bed.sh --day|--interactive|--script FILE BIN_DIR OUT_DIR [--timeout S]" ;;
esac
bin=${1:?BIN_DIR missing} out=${2:?OUT_DIR missing}
host_timeout=300 fault=""
if [[ $mode == --in-bed ]]; then
    host_timeout=$3
else
    shift 2
    while (( $# )); do
        case $1 in
            --timeout) host_timeout=${2:?--timeout needs seconds}; shift 2 ;;
            --fault) fault=${2:?--fault needs OP=WHAT}; shift 2 ;;
            *) die "unknown option $1" ;;
        esac
    done
fi
[[ $host_timeout =~ ^[0-9]+$ ]] || die "--timeout takes seconds"
bin=$(realpath "$bin")
build=${bin%/bin}
[[ -x $bin/ZEVAClient && -f $build/CMakeCache.txt ]] || die "no built tree with ZEVAClient at $bin (build the release preset first)"

if [[ $mode != --in-bed ]]; then
    [[ $(id -u) -eq 0 ]] || die "the bed needs root (network namespaces)"
    [[ -z $script ]] || script=$(realpath "$script")
    rm -rf "$out"
    mkdir -p "$out"
    out=$(realpath "$out")
    mkdir -p "$out/root" "$out/registry" "$out/shots"
    # The installation as the package holds it, with its default settings.
    DESTDIR="$out/root" cmake --install "$build" --prefix /usr > "$out/install.log" ||
        die "installing the build into $out/root failed (see $out/install.log)"
    # The client libraries go where the system's loader looks; here that is a folder of the bed's.
    libdir=$(find "$out/root/usr" -name 'libZEVAClientIntf.so*' -printf '%h\n' -quit)
    [[ -n $libdir ]] || die "the installation has no client library (see $out/install.log)"
    printf '%s\n' "$libdir" > "$out/lib-dir"
    appdir=$(sed -n 's/^ZEVA_INSTALL_APPDIR:PATH=//p' "$build/CMakeCache.txt")
    printf '%s\n' "$out/root${appdir:-/opt/zeva}" > "$out/app-dir"
    printf '%s\n' "${mode#--}" > "$out/mode"
    printf '%s\n' "$script" > "$out/script-file"
    printf '%s\n' "$fault" > "$out/fault"
    exec "$root/tests/netlab/netlab.sh" run home --rate 20mbit --hosts 12 --file-mb 256 -- \
        "$root/plugins/languard/tests/lanbed.sh" "$bin/zeva-name-responder" -- \
        "$0" --in-bed "$bin" "$out" "$host_timeout"
fi

# --- inside the bed ---
mode=$(cat "$out/mode") script=$(cat "$out/script-file") app=$(cat "$out/app-dir") fault=$(cat "$out/fault")
ns=$NETLAB_CLIENT_NS
cfg() { "$bin/zeva-cfg" "$@" >/dev/null; }
in_client() { ip netns exec "$ns" "$@"; }
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
export ZEVA_REGISTRY_DIR=$out/registry
export LD_LIBRARY_PATH=$(cat "$out/lib-dir")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
# The installed programs take their own folder as the application directory.
unset ZEVA_APP_DIR
for f in "$app"/defaults/*.dat; do cp "$f" "$app/"; done
# The sample plug-in is no customer's tool: the province rolls it out later today.
rm -f "$app/ProvincePlug/ZEVAPlug_Sample.so"

# The release key: the publisher keeps the private half, the installation
# accepts only catalogs signed with it.
update_pub=$("$bin/zeva-publish" keygen "$out/release.key" --json | sed -E 's/.*"publicKey":"([^"]*)".*/\1/')
"$bin/zeva-cfg" import "$app/Config.dat" >/dev/null <<INI
[Update]
Version=3.1.0.7
Region=330000
ServerIP=$NETLAB_UPDATE_HOST
ServerPort=80
ServerIP2=
ServerPort2=0
PublicKey=$update_pub
[Server]
WebSiteURL=http://$NETLAB_UPDATE_HOST/
ServiceURL=http://127.0.0.1:16905/kelv/BService.ws
INI
customer_settings "${NETLAB_FAST_URL#http://}" "${NETLAB_SLOW_URL#http://}" "speed.zeva.test/page.html" \
    "$NETLAB_SERVER_IP/page.html"

# The toolbox's catalogues: the LAN check in "plug", the province's tools in
# "ProvincePlug" (each file lists the tools of its folder). Every tool has its
# three button images in the folder's "icons", as a provider ships them.
"$bin/zeva-cfg" import "$app/ad.dat" >/dev/null <<INI
[ad1]
AdText=光纤宽带提速，详询客服
AdLink=http://$NETLAB_UPDATE_HOST/
[ad2]
AdText=装维服务预约：在线提交报障
AdLink=http://$NETLAB_UPDATE_HOST/
INI
catalogue "$app/plug/PlugConfig.dat" plug 防蹭网检测=ZEVAPlug_AntiPilferNet
catalogue "$app/ProvincePlug/ProvincePlugConfig.dat" ProvincePlug 宽带测速=ZEVAPlug_SpeedTest 装维回单=ZEVAPlug_Receipt

# The back-office emulator with an account, the bed's speed-test server and
# two work orders; it serves loopback only, so it runs in the computer's namespace.
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
: > "$out/backoffice.log"
in_client "$bin/zeva-backoffice" --port 16905 ${fault:+--fault "$fault"} \
    --port-file "$out/backoffice.port" --data "$out/data.txt" --log "$out/backoffice.log" --quiet &
emulator=$!
trap 'kill $emulator 2>/dev/null || true; wait $emulator 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [[ -s $out/backoffice.port ]] && break; sleep 0.05; done
[[ -s $out/backoffice.port ]] || die "the back-office emulator did not start"
# The host starts only once the emulator, the provider's servers and the
# router's names answer from the customer's computer.
netlab=$root/tests/netlab/netlab.sh
"$netlab" wait http "http://127.0.0.1:16905/kelv/BService.ws" --ns "$ns" || die "the back-office emulator does not answer"
for url in "$NETLAB_URL" "$NETLAB_FAST_URL" "$NETLAB_SLOW_URL" "http://$NETLAB_UPDATE_HOST/"; do
    "$netlab" wait http "$url" --ns "$ns" || die "$url does not answer"
done

# On the update server: the province's folder with one more tool, signed.
regional=$out/release-regional
mkdir -p "$regional"
cp "$app"/ProvincePlug/*.so "$regional/"
cp "${build}/app/ProvincePlug/ZEVAPlug_Sample.so" "$regional/"
catalogue "$regional/ProvincePlugConfig.dat" ProvincePlug 宽带测速=ZEVAPlug_SpeedTest \
    装维回单=ZEVAPlug_Receipt 插件示例=ZEVAPlug_Sample
"$bin/zeva-publish" plugin "$regional" --files-section --server-root "$NETLAB_UPDATE_ROOT" --type 1 \
    --prefix zj/ --sign "$out/release.key" > "$out/publish-regional.log"

plugins_line() { (cd "$app" && ls plug/*.so ProvincePlug/*.so 2>/dev/null | xargs -r -n1 basename | tr '\n' ' '); }
echo "customer-bed: line $NETLAB_RATE ($NETLAB_DELAY) from the router to the provider $NETLAB_SERVER_IP; back office on the computer's 127.0.0.1:16905"
echo "customer-bed: LAN $NETLAB_SCAN_IP/24 with $NETLAB_HOSTS devices, DNS $NETLAB_DNS; installation $app"
echo "customer-bed: plug-ins: $(plugins_line)"

if [[ $mode == interactive ]]; then
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
    in_client env -u QT_QPA_PLATFORM "${display_env[@]}" "$app/ZEVAClient" || rc=$?
    echo "customer-bed: the host ended (exit status $rc); removing the bed"
    exit "$rc"
fi

mkdir -p -m 700 "$out/run"
host() {  # the installed client in the customer's computer, offscreen
    in_client env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$out/run" ZEVA_REGISTRY_DIR="$out/registry" \
        "$@"
}
if [[ $mode == script ]]; then
    host timeout "$((host_timeout + 10))" "$app/ZEVAClient" --timeout "$host_timeout" \
        --screenshot "$out/shots" --script "$script"
    exit
fi

# --- the customer's day ---
snapshot() { (cd "$1" && find . -type f -printf '%P\n' | sort | while read -r f; do
    printf '%s  %s\n' "$(md5sum < "$f" | cut -c1-12)" "$f"; done); }
snapshot "$app/ProvincePlug" > "$out/regional-before.txt"
cp "$NETLAB_EXPECTED" "$out/lan-expected.txt"
cp "$LANBED_NAMES" "$out/lan-names.txt"
printf '%s %s\n' "$NETLAB_RATE_BITS" "$NETLAB_RATE" > "$out/line.txt"
shots=$out/shots
# The customer's own address for the web-page test: the provider's update server.
own="http://$NETLAB_UPDATE_HOST/"
echo "$own" > "$out/own-address.txt"
sed -e "s#\$SHOTS#$shots#g" -e "s#\$OUT#$out#g" -e "s#\$OWN#$own#g" "$here/customer-day.txt" > "$out/day-script.txt"
started=$SECONDS
rc=0
host timeout "$((host_timeout + 10))" "$app/ZEVAClient" --timeout "$host_timeout" \
    --script "$out/day-script.txt" > "$out/host.log" 2>&1 || rc=$?
echo "host $rc $((SECONDS - started))" > "$out/times.txt"
if (( rc != 0 )); then
    echo "customer-bed: the host's day ended with exit status $rc at:" >&2
    grep -v '^step ' "$out/host.log" | tail -n 5 >&2
    exit 1
fi
snapshot "$app/ProvincePlug" > "$out/regional-after.txt"

# In the evening a signed main release is published; ZEVASilentUpdate installs
# it and starts the client again, which shows the day's regional tool too.
main_release=$out/release-main
mkdir -p "$main_release"
cp "$app/ZEVAClient" "$main_release/"
printf '3.1.0.8: 宽带测速与防蹭网检测的说明更新。\n' | iconv -f UTF-8 -t GBK > "$main_release/更新说明.txt"
"$bin/zeva-publish" main "$main_release" --version 3.1.0.8 --region 330000 --server-root "$NETLAB_UPDATE_ROOT" \
    --sign "$out/release.key" > "$out/publish-main.log"
sed -e "s#\$SHOTS#$shots#g" -e "s#\$OUT#$out#g" "$here/customer-restart.txt" > "$out/restart-script.txt"
rm -f "$out/restarted.json"
started=$SECONDS
rc=0
host env ZEVA_CLIENT_OPTIONS="--timeout 60 --script \"$out/restart-script.txt\"" \
    timeout 60 "$app/ZEVASilentUpdate" > "$out/silent.log" 2>&1 || rc=$?
echo "silent $rc $((SECONDS - started))" >> "$out/times.txt"
# The client starts 5 s after the install, detached; it ends its script itself.
for _ in $(seq 1 300); do
    [[ -s $out/restarted.json ]] && ! in_client pgrep -f "$app/ZEVAClient" >/dev/null && break
    sleep 0.1
done
echo "restart $([[ -s $out/restarted.json ]] && echo 0 || echo 1) $((SECONDS - started))" >> "$out/times.txt"
"$bin/zeva-cfg" get "$app/Config.dat" Update Version > "$out/version-after.txt"
cp "$NETLAB_STATE/access.log" "$out/provider-access.log"
python3 "$here/day-summary.py" "$out"
