#!/usr/bin/env bash
# The customer's day on Windows, under Wine, on this machine: the installer
# (make-setup.sh) installs the Windows build silently into a fresh copy of the
# Wine prefix; the Linux servers of the home bed run on loopback (nginx: the
# speed-test file, a quick and a slow web site, the update server; the
# back-office emulator), each waited for until it answers; the installed
# ZEVAClient.exe plays scripts/lib/customer-day.txt on a virtual display; in
# the evening a signed main release (the Linux zeva-publish) is installed by
# ZEVASilentUpdate.exe, which starts the client again. scripts/lib/day-summary.py
# sums the day up and names the steps Wine cannot do.
#
#   day.sh day           the day and its summary (build/windows-day/)
#   day.sh screenshots   the same, then its pictures into docs/screenshots/windows/
#
# Run by scripts/windows day|screenshots after the Windows build. The Linux
# servers come from build/release (built here) unless ZEVA_LINUX_BIN names
# another bin folder. Without DISPLAY it runs itself under xvfb-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
verb=${1:-}
case $verb in
    day|screenshots) ;;
    *) echo "usage: day.sh day|screenshots" >&2; exit 2 ;;
esac
die() { echo "windows day: $*" >&2; exit 1; }
say() { echo "windows day: $*"; }

if [[ -z ${DISPLAY:-} ]]; then
    command -v xvfb-run >/dev/null || die "xvfb-run is missing (Debian package xvfb)"
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
for tool in nginx python3 curl makensis; do command -v $tool >/dev/null || die "$tool is missing"; done

[[ -f $root/build/windows/CMakeCache.txt ]] || die "no Windows build (scripts/windows build)"
if [[ -n ${ZEVA_LINUX_BIN:-} ]]; then
    bin=$(realpath "$ZEVA_LINUX_BIN")
else
    say "building the Linux servers and tools (release preset)"
    cmake --preset release >/dev/null
    cmake --build build/release -j"$(nproc)" --target zeva-backoffice zeva-publish zeva-cfg >/dev/null
    bin=$root/build/release/bin
fi
for tool in zeva-backoffice zeva-publish zeva-cfg; do [[ -x $bin/$tool ]] || die "no $bin/$tool"; done

out=$root/build/windows-day
rm -rf "$out"
mkdir -p "$out/shots" "$out/www" "$out/fast" "$out/slow" "$out/update" "$out/update-wizard" "$out/tmp"
cfg() { "$bin/zeva-cfg" "$@" >/dev/null; }
# shellcheck source=../lib/customer-data.sh
source "$root/scripts/lib/customer-data.sh"
winpath() { echo "Z:${1}"; }  # a Linux path as the Windows programs see it

# --- the installation, by the installer, in a prefix of its own
setup=$(scripts/windows.d/make-setup.sh build/windows "$out" | tail -1)
export WINEPREFIX=$out/prefix
cp -a "${ZEVA_WINE_TEMPLATE:-/var/cache/zeva/windows/wineprefix}" "$WINEPREFIX"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset ZEVA_APP_DIR ZEVA_REGISTRY_DIR ZEVA_REGISTRY_KEY http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
wine() { "$root/scripts/windows.d/wine-run" "$@"; }
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    [[ -f $out/nginx.pid ]] && kill "$(cat "$out/nginx.pid")" 2>/dev/null
    WINEPREFIX=$out/prefix wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
wineserver -p
# The customers' Windows has SimSun ("宋体") and KaiTi ("楷体"), which no free
# package holds: the prefix draws them with the faces the Linux pictures use,
# so that the two are twins beyond the fonts' own shapes. Without them, the
# fallback draws and says so.
for pair in 'SimSun=AR PL UMing CN' '宋体=AR PL UMing CN' 'KaiTi=AR PL UKai CN' '楷体=AR PL UKai CN'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1 || true
done
app_win='C:\Pelmo'
app=$WINEPREFIX/drive_c/Pelmo
wine "$setup" /S "/D=$app_win" || die "the silent install failed"
[[ -f $app/zeva-client.exe ]] || die "the installer installed nothing into $app"
say "installed $(basename "$setup") into $app_win: $(cd "$app" && find . -type f | wc -l) files"
# The sample plug-in is no customer's tool: the province rolls it out later today.
rm -f "$app/ProvincePlug/ZEVAPlug_Sample.dll"

# --- the provider's servers on loopback, each on a port of its own
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
p_www=$(free_port) p_fast=$(free_port) p_slow=$(free_port) p_update=$(free_port) p_bo=$(free_port) p_wizard=$(free_port)
truncate -s 2048M "$out/www/test.bin"
head -c 100000 /dev/urandom > "$out/www/page.html"
printf '<html><head><title>fast</title></head><body>%s</body></html>\n' "$(head -c 30000 /dev/zero | tr '\0' 'f')" > "$out/fast/index.html"
printf '<html><head><title>slow</title></head><body>%s</body></html>\n' "$(head -c 60000 /dev/zero | tr '\0' 's')" > "$out/slow/index.html"
cat > "$out/nginx.conf" <<CONF
worker_processes 1;
pid $out/nginx.pid;
error_log $out/nginx-error.log;
events { worker_connections 512; }
http {
    access_log $out/provider-access.log;
    default_type application/octet-stream;
    sendfile on;
    client_body_temp_path $out/tmp/body;
    proxy_temp_path $out/tmp/proxy;
    fastcgi_temp_path $out/tmp/fastcgi;
    uwsgi_temp_path $out/tmp/uwsgi;
    scgi_temp_path $out/tmp/scgi;
    server { listen 127.0.0.1:$p_www; root $out/www; }
    server { listen 127.0.0.1:$p_fast; root $out/fast; }
    server { listen 127.0.0.1:$p_slow; root $out/slow; limit_rate 24k; }
    server { listen 127.0.0.1:$p_update; root $out/update; }
    # The interactive updater's server: slow enough that its download shows.
    server { listen 127.0.0.1:$p_wizard; root $out/update-wizard; limit_rate 200k; }
}
CONF
nginx -c "$out/nginx.conf" -p "$out" -e "$out/nginx-error.log" || die "nginx did not start (see $out/nginx-error.log)"

cat > "$out/data.txt" <<DATA
[getCurrentAccount]
0571a88001234

[getSpeedConfigList]
<SpeedConfigs><SpeedConfig><Id>1</Id><Title>杭州测速点</Title><Url>http://127.0.0.1:$p_www/test.bin</Url><Type>1</Type><City>杭州</City><Description>loopback</Description><CTime>2026-12-01 09:00:00</CTime></SpeedConfig></SpeedConfigs>

[getUserNameAndWorkListNum]
<QOLT><UserName>王师傅</UserName><List><WorkListNum>GD20261207001</WorkListNum><WorkListNum>GD20261207014</WorkListNum></List></QOLT>

[upFinish]
<Result>1</Result><ResultDesc>回单成功，工单已归档。</ResultDesc>
DATA
: > "$out/backoffice.log"
"$bin/zeva-backoffice" --port "$p_bo" --data "$out/data.txt" --log "$out/backoffice.log" --quiet &
pids+=($!)
answers() {  # URL: waits up to 20 s for any HTTP answer (one byte of it: the slow site is slow)
    local _
    for _ in $(seq 1 200); do
        curl -s -o /dev/null -r 0-0 --max-time 2 "$1" && return 0
        sleep 0.1
    done
    return 1
}
answers "http://127.0.0.1:$p_bo/kelv/BService.ws" || die "the back-office emulator does not answer"
for url in "http://127.0.0.1:$p_www/page.html" "http://127.0.0.1:$p_fast/index.html" \
    "http://127.0.0.1:$p_slow/" "http://127.0.0.1:$p_update/" "http://127.0.0.1:$p_wizard/"; do
    answers "$url" || die "$url does not answer (see $out/nginx-error.log)"
done
say "servers on 127.0.0.1: speed test $p_www, sites $p_fast/$p_slow, update $p_update, back office $p_bo"

# --- the settings of the day, written with the Linux zeva-cfg (same files)
update_pub=$("$bin/zeva-publish" keygen "$out/release.key" --json | sed -E 's/.*"publicKey":"([^"]*)".*/\1/')
"$bin/zeva-cfg" import "$app/Config.dat" >/dev/null <<INI
[Update]
Version=3.1.0.7
Region=330000
ServerIP=127.0.0.1
ServerPort=$p_update
ServerIP2=
ServerPort2=0
PublicKey=$update_pub
[Server]
WebSiteURL=http://127.0.0.1:$p_update/
ServiceURL=http://127.0.0.1:$p_bo/kelv/BService.ws
INI
customer_settings "127.0.0.1:$p_fast/index.html" "127.0.0.1:$p_slow/index.html" "localhost:$p_www/page.html" \
    "127.0.0.1:$p_www/page.html"

"$bin/zeva-cfg" import "$app/ad.dat" >/dev/null <<INI
[ad1]
AdText=光纤宽带提速，详询客服
AdLink=http://127.0.0.1:$p_update/
[ad2]
AdText=装维服务预约：在线提交报障
AdLink=http://127.0.0.1:$p_update/
INI
mkdir -p "$app/plug" "$app/ProvincePlug"
catalogue "$app/plug/PlugConfig.dat" plug 防蹭网检测=ZEVAPlug_AntiPilferNet
catalogue "$app/ProvincePlug/ProvincePlugConfig.dat" ProvincePlug 宽带测速=ZEVAPlug_SpeedTest 装维回单=ZEVAPlug_Receipt

# On the update server: the province's folder with one more tool, signed.
sample=$(find "$root/build/windows" -name ZEVAPlug_Sample.dll -print -quit)
if [[ -n $sample ]]; then
    regional=$out/release-regional
    mkdir -p "$regional"
    cp "$app"/ProvincePlug/*.dll "$sample" "$regional/" 2>/dev/null || true
    catalogue "$regional/ProvincePlugConfig.dat" ProvincePlug 宽带测速=ZEVAPlug_SpeedTest \
        装维回单=ZEVAPlug_Receipt 插件示例=ZEVAPlug_Sample
    "$bin/zeva-publish" plugin "$regional" --files-section --server-root "$out/update" --type 1 \
        --prefix zj/ --sign "$out/release.key" > "$out/publish-regional.log"
else
    say "NOT DONE: no ZEVAPlug_Sample.dll in the Windows build: the province publishes no new tool"
fi

# What the summary compares with: no line and no LAN under Wine.
echo "0 loopback" > "$out/line.txt"
: > "$out/lan-expected.txt"
: > "$out/lan-names.txt"
echo "http://127.0.0.1:$p_update/" > "$out/own-address.txt"
# (Nor may the day scan this machine's real LAN: beds only.)
echo "Wine's SendARP answers 50 (ERROR_NOT_SUPPORTED), so no ARP scan" > "$out/wine.txt"
snapshot() { (cd "$1" && find . -type f -printf '%P\n' | sort | while read -r f; do
    printf '%s  %s\n' "$(md5sum < "$f" | cut -c1-12)" "$f"; done); }
snapshot "$app/ProvincePlug" > "$out/regional-before.txt"

# --- the day in the installed host
plugins=$(cd "$app" && find plug ProvincePlug -maxdepth 1 -name '*.dll' -printf '%f ')
say "plug-ins: ${plugins:-none}"
# The day's script as on Linux, but Wine cannot scan the LAN: the report
# offers no shared-network window, and the LAN check ends on its note.
sed -e "s#\$SHOTS#$(winpath "$out/shots")#g" -e "s#\$OUT#$(winpath "$out")#g" \
    -e "s#\$OWN#http://127.0.0.1:$p_update/#g" -e 's#^wait 13007 12 60$#waitvisible 13013 60#' \
    -e '/^click 14109$/,/^click 14098\/14013$/d' \
    scripts/lib/customer-day.txt > "$out/day-script.txt"
running() {  # is a program of this prefix running?
    local p
    for p in $(pgrep -f "$1" || true); do
        { tr '\0' '\n' < "/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
host_rc=1
if [[ -f $app/ZEVAClient.exe ]]; then
    started=$SECONDS
    host_rc=0
    (cd "$app" && timeout 330 "$root/scripts/windows.d/wine-run" "$app_win\\ZEVAClient.exe" --timeout 300 \
        --script "$(winpath "$out/day-script.txt")") > "$out/host.log" 2>&1 || host_rc=$?
    echo "host $host_rc $((SECONDS - started))" > "$out/times.txt"
    if (( host_rc != 0 )); then
        echo "windows day: the host's day ended with exit status $host_rc at:" >&2
        grep -v '^step ' "$out/host.log" | tail -n 5 >&2
    fi
else
    echo "host 1 0" > "$out/times.txt"
    echo "ZEVAClient.exe is not in the Windows build yet" > "$out/host-missing.txt"
    say "NOT DONE: ZEVAClient.exe is not in the Windows build yet: the host's day is not played"
fi
snapshot "$app/ProvincePlug" > "$out/regional-after.txt"

# --- the evening: a signed main release, installed by ZEVASilentUpdate.exe
main_release=$out/release-main
mkdir -p "$main_release"
[[ -f $app/ZEVAClient.exe ]] && cp "$app/ZEVAClient.exe" "$main_release/"
printf '3.1.0.8: 宽带测速与防蹭网检测的说明更新。\n' | iconv -f UTF-8 -t GBK > "$main_release/更新说明.txt"
"$bin/zeva-publish" main "$main_release" --version 3.1.0.8 --region 330000 --server-root "$out/update" \
    --sign "$out/release.key" > "$out/publish-main.log"
sed -e "s#\$SHOTS#$(winpath "$out/shots")#g" -e "s#\$OUT#$(winpath "$out")#g" scripts/lib/customer-restart.txt \
    > "$out/restart-script.txt"
started=$SECONDS
rc=0
(cd "$app" && ZEVA_CLIENT_OPTIONS="--timeout 60 --script \"$(winpath "$out/restart-script.txt")\"" \
    timeout 90 "$root/scripts/windows.d/wine-run" "$app_win\\ZEVASilentUpdate.exe") > "$out/silent.log" 2>&1 || rc=$?
echo "silent $rc $((SECONDS - started))" >> "$out/times.txt"
# The client starts 5 s after the install, detached; it ends its script itself.
if [[ -f $app/ZEVAClient.exe ]]; then
    for _ in $(seq 1 600); do
        [[ -s $out/restarted.json ]] && ! running 'ZEVAClient.exe' && break
        sleep 0.1
    done
fi
echo "restart $([[ -s $out/restarted.json ]] && echo 0 || echo 1) $((SECONDS - started))" >> "$out/times.txt"
# The client the updater started inherits its output: a failed restart script shows there.
if [[ -f $app/ZEVAClient.exe && ! -s $out/restarted.json ]]; then
    echo "windows day: the client started again by the updater did not finish its script:" >&2
    tail -n 3 "$out/silent.log" >&2
fi
"$bin/zeva-cfg" get "$app/Config.dat" Update Version > "$out/version-after.txt" || true
# What the updater wrote where the programs read the machine's values.
wine reg query 'HKLM\SOFTWARE\Pelmo' /reg:32 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
    sed -n 's/^ *\([A-Za-z]*\) *REG_SZ *\(.*\)$/\1=\2/p' > "$out/registry-after.txt" || true
say "ZEVASilentUpdate.exe exit status $rc; Config.dat Update/Version now $(cat "$out/version-after.txt")"

summary=0
python3 scripts/lib/day-summary.py "$out" || summary=$?
if [[ $verb == screenshots ]]; then
    mapfile -t made < <(find "$out/shots" -maxdepth 1 -name 'day-*.png' -printf '%f\n' | sort)
    if (( summary != 0 || ${#made[@]} == 0 )); then
        die "the day did not pass (or made no pictures): docs/screenshots/windows is unchanged"
    fi
    # shellcheck source=single-windows.sh
    source "$root/scripts/windows.d/single-windows.sh"
    mkdir -p docs/screenshots/windows
    # The day is numbered by its script: its pictures replace the old set whole.
    rm -f docs/screenshots/windows/day-*.png
    for f in "${made[@]}"; do cp "$out/shots/$f" docs/screenshots/windows/; done
    cp "$shots_dir"/*.png docs/screenshots/windows/ 2>/dev/null || true
    # A page that shows each picture beside its Linux twin.
    {
        echo "# Windows (Wine) beside Linux"
        echo
        echo "Made by \`./scripts/windows screenshots\`; the Linux pictures by \`./scripts/screenshots\`."
        echo
        echo "| window | Windows, under Wine | Linux |"
        echo "|---|---|---|"
        for f in docs/screenshots/windows/*.png; do
            name=$(basename "$f")
            twin="(none)"
            [[ -f docs/screenshots/$name ]] && twin="![](../$name)"
            echo "| $name | ![]($name) | $twin |"
        done
    } > docs/screenshots/windows/README.md
    say "$(find docs/screenshots/windows -name '*.png' | wc -l) pictures in docs/screenshots/windows (docs/screenshots/windows/README.md shows each beside its Linux twin)"
fi
exit "$summary"
