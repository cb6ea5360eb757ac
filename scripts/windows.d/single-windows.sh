# shellcheck shell=bash
# The pictures of single windows that docs/screenshots holds beside the day's,
# made by the Windows build under Wine with the same names; sourced by day.sh
# (screenshots) after the day, in its installation and with its servers:
#   host-main, sample-page, message-box   the host with the sample plug-in
#   toolbox-grid, toolbox-strip           the toolbox with six advertisements
#   update-*                              ZEVAUpdate.exe: check, offer, download,
#                                         install, up to date, failure, notification
#   speedtest-*, receipt-*, languard-*    the day's pictures of the same windows
#                                         and states (Linux makes them in beds of
#                                         their own; here the day's loopback bed)
# A picture whose program or plug-in is not built is named as missing.
# Uses day.sh's app, app_win, out, bin, root, wine, winpath and p_wizard.

shots_dir=$out/single-shots
mkdir -p "$shots_dir"
sample=$(find "$root/build/windows" -name ZEVAPlug_Sample.dll -print -quit)
host_exe=$app/ZEVAClient.exe
host_run() {  # ZEVA_APP_DIR SECONDS SCRIPT [more host options]
    local dir=$1 secs=$2 script=$3
    shift 3
    (cd "$app" && ZEVA_APP_DIR=$(winpath "$dir") timeout "$((secs + 15))" \
        "$root/scripts/windows.d/wine-run" "$app_win\\ZEVAClient.exe" --timeout "$secs" "$@" \
        --script "$(winpath "$script")")
}

# The host with the sample plug-in, in a folder of its own.
if [[ -f $host_exe && -n $sample ]]; then
    h=$out/host-app
    mkdir -p "$h/plug" "$h/ProvincePlug"
    cp "$app"/defaults/*.dat "$h/"
    cp "$sample" "$h/ProvincePlug/"
    "$bin/zeva-cfg" import "$h/ProvincePlug/ProvincePlugConfig.dat" >/dev/null <<'INI'
[功能大全细]
PlugNum=1
1=插件示例
[插件示例]
PlugModuleName=ProvincePlug\ZEVAPlug_Sample.dll
Summary=插件框架的示例页面
ShowMode=1
INI
    sed "s#\$SHOTS#$(winpath "$shots_dir")#g" "$root/scripts/lib/host-sample.txt" > "$out/host-script.txt"
    host_run "$h" 50 "$out/host-script.txt" --manual-clock > "$out/host-pictures.log" 2>&1 ||
        say "the host's pictures failed (see $out/host-pictures.log)"
else
    say "NOT DONE: host-main, sample-page, message-box: ZEVAClient.exe or ZEVAPlug_Sample.dll is not built"
fi

# The toolbox with every tool and six advertisements.
if [[ -f $host_exe && -n $sample && -f $app/plug/ZEVAPlug_TreasureBox.dll ]]; then
    t=$out/toolbox-app
    mkdir -p "$t/plug" "$t/ProvincePlug"
    cp "$app"/defaults/*.dat "$t/"
    cp "$app"/plug/*.dll "$t/plug/"
    cp "$app"/ProvincePlug/*.dll "$t/ProvincePlug/"
    cp -f "$sample" "$t/ProvincePlug/"  # the day's regional update may have installed it already
    catalogue "$t/plug/PlugConfig.dat" plug 防蹭网检测=ZEVAPlug_AntiPilferNet
    catalogue "$t/ProvincePlug/ProvincePlugConfig.dat" ProvincePlug 宽带测速=ZEVAPlug_SpeedTest \
        装维回单=ZEVAPlug_Receipt 插件示例=ZEVAPlug_Sample
    n=0
    for text in 宽带提速，畅享光纤生活 新用户办理立减五十元 家庭网络安全检测 手机充值九五折 积分兑换好礼 营业厅在线预约; do
        n=$((n + 1))
        printf '[ad%s]\nAdText=%s\nAdLink=http://127.0.0.1:9/ad%s\n' "$n" "$text" "$n"
    done | "$bin/zeva-cfg" import "$t/ad.dat" >/dev/null
    s=$(winpath "$shots_dir")
    cat > "$out/toolbox-script.txt" <<SCRIPT
open plug\\ZEVAPlug_TreasureBox.dll
waitvisible 14101 10
shot $s/toolbox-grid.png
advance 5000
shot $s/toolbox-strip.png
click 14101#4
wait 20101 插件示例
close
SCRIPT
    host_run "$t" 50 "$out/toolbox-script.txt" --manual-clock > "$out/toolbox-pictures.log" 2>&1 ||
        say "the toolbox's pictures failed (see $out/toolbox-pictures.log)"
else
    say "NOT DONE: toolbox-grid, toolbox-strip: the host, the toolbox or the sample plug-in is not built"
fi

# ZEVAUpdate.exe in the installation: a release offered by a rate-limited
# server (so the download shows), installed while the host runs; then up to
# date; a release whose file differs from its catalogue; the notification.
if [[ -f $app/ZEVAUpdate.exe && -f $host_exe ]]; then
    cfg set "$app/Config.dat" Update ServerPort "$p_wizard"
    cfg set "$app/Config.dat" Server WebSiteURL "http://127.0.0.1:$p_wizard/"
    r=$out/release-wizard
    mkdir -p "$r/plug" "$r/skin"
    cp "$host_exe" "$r/"
    echo "tool 3.1.0.9" > "$r/plug/工具.dll"
    echo "read me" > "$r/readme.txt"
    head -c 600000 /dev/urandom > "$r/skin/background.png"
    "$bin/zeva-publish" main "$r" --version 3.1.0.9 --region 330000 --server-root "$out/update-wizard" \
        --sign "$out/release.key" > "$out/publish-wizard.log"
    # The client the updater starts again runs three seconds and closes.
    printf 'run 3\nclose\n' > "$out/client-3s.txt"
    export ZEVA_CLIENT_OPTIONS="--timeout 30 --script \"$(winpath "$out/client-3s.txt")\""
    wizard() { (cd "$app" && timeout 90 "$root/scripts/windows.d/wine-run" "$app_win\\ZEVAUpdate.exe" \
        --screenshot "$(winpath "$1")" "${@:2}") >> "$out/wizard.log" 2>&1; }
    (cd "$app" && env -u ZEVA_CLIENT_OPTIONS timeout 75 "$root/scripts/windows.d/wine-run" \
        "$app_win\\ZEVAClient.exe" --timeout 60) > "$out/host-before-wizard.log" 2>&1 &
    sleep 3
    wizard "$shots_dir" --answer upgrade || say "ZEVAUpdate (upgrade) exit status $?"
    sleep 5
    wizard "$shots_dir" --answer upgrade || say "ZEVAUpdate (up to date) exit status $?"
    echo "tool 3.1.1.0" > "$r/plug/工具.dll"
    "$bin/zeva-publish" main "$r" --version 3.1.1.0 --region 330000 --notify --server-root "$out/update-wizard" \
        --sign "$out/release.key" > /dev/null
    good=$out/good-tool.dll
    cp "$out/update-wizard/1/plug/工具.dll" "$good"
    echo "tool 3.1.1.X" > "$out/update-wizard/1/plug/工具.dll"
    mkdir -p "$out/shots-failed"
    wizard "$out/shots-failed" --answer upgrade || say "ZEVAUpdate (failure) exit status $?"
    [[ -f $out/shots-failed/update-failed.png ]] && cp "$out/shots-failed/update-failed.png" "$shots_dir/"
    cp "$good" "$out/update-wizard/1/plug/工具.dll"
    wizard "$shots_dir" -silent --answer yes || say "ZEVAUpdate -silent exit status $?"
    sleep 5
    unset ZEVA_CLIENT_OPTIONS
    say "the updater installed $(cat "$app/plug/工具.dll" 2>/dev/null || echo nothing); Update/Version $("$bin/zeva-cfg" get "$app/Config.dat" Update Version)"
else
    say "NOT DONE: update-*: ZEVAUpdate.exe or ZEVAClient.exe is not built for Windows"
fi

# The plug-ins' windows as the day showed them.
while read -r day twin; do
    f=$(find "$out/shots" -maxdepth 1 -name "day-$day-*.png" -print -quit)
    [[ -n $f ]] && cp "$f" "$shots_dir/$twin.png"
done <<'MAP'
03 speedtest-landing
04 speedtest-running
05 speedtest-finished
06 speedtest-help
07 speedtest-report
08 speedtest-sharenet
09 speedtest-http-idle
10 speedtest-http-finished
11 speedtest-http-report
12 receipt-opened
13 receipt-tested
14 receipt-check
16 languard-searching
17 languard-finished
MAP
missing=()
for f in "$root"/docs/screenshots/*.png; do
    [[ -f $shots_dir/$(basename "$f") || -f $out/shots/$(basename "$f") ]] || missing+=("$(basename "$f")")
done
if (( ${#missing[@]} )); then say "NOT MADE under Wine: ${missing[*]}"; fi
