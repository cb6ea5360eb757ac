# The toolbox in the host, offscreen, in an installation of its own: a
# catalogue in each folder (the LAN check in "plug", the province's tools in
# "ProvincePlug", every tool with its three button images) and six
# advertisements; the host opens the toolbox, the strip turns its page, a
# click on the fourth tool opens the sample plug-in.
step "Toolbox ZEVAPlug_TreasureBox in the host (offscreen, screenshots)"
tb_app="$PWD/$demo/toolbox-app"
rm -rf "$tb_app"
mkdir -p "$tb_app/plug" "$tb_app/ProvincePlug"
cp build/release/app/plug/ZEVAPlug_TreasureBox.so build/release/app/plug/ZEVAPlug_AntiPilferNet.so "$tb_app/plug/"
cp build/release/app/ProvincePlug/ZEVAPlug_{SpeedTest,Receipt,Sample}.so "$tb_app/ProvincePlug/"
# tb_catalogue FILE FOLDER TITLE=LIBRARY...: the catalogue and the tools' images.
tb_catalogue() {
    local file=$1 folder=$2 n=0 entry lib
    shift 2
    for entry in "$@"; do python3 scripts/lib/tool-icons.py "$tb_app/$folder/icons" "${entry#*=}"; done
    {
        printf '[功能大全细]\nPlugNum=%s\n' "$#"
        for entry in "$@"; do n=$((n + 1)); echo "$n=${entry%%=*}"; done
        for entry in "$@"; do
            lib=${entry#*=}
            printf '[%s]\nPlugModuleName=%s\\%s.dll\nSummary=%s\nShowMode=1\n' "${entry%%=*}" "$folder" "$lib" "${entry%%=*}"
            for state in Normal Over Select; do
                printf '%sImage=%s\\icons\\%s-%s.png\n' "$state" "$folder" "$lib" "${state,,}"
            done
        done
    } | "$bin/zeva-cfg" import "$tb_app/$file"
}
tb_catalogue plug/PlugConfig.dat plug 防蹭网检测=ZEVAPlug_AntiPilferNet
tb_catalogue ProvincePlug/ProvincePlugConfig.dat ProvincePlug 宽带测速=ZEVAPlug_SpeedTest 装维回单=ZEVAPlug_Receipt \
    插件示例=ZEVAPlug_Sample
n=0
for text in 宽带提速，畅享光纤生活 新用户办理立减五十元 家庭网络安全检测 手机充值九五折 积分兑换好礼 营业厅在线预约; do
    n=$((n + 1))
    printf '[ad%s]\nAdText=%s\nAdLink=http://127.0.0.1:9/ad%s\n' "$n" "$text" "$n"
done | "$bin/zeva-cfg" import "$tb_app/ad.dat"
echo "-- $tb_app/ProvincePlug/ProvincePlugConfig.dat:"
"$bin/zeva-cfg" dump "$tb_app/ProvincePlug/ProvincePlugConfig.dat" | sed 's/^/   /'
cat > "$demo/toolbox-script.txt" <<SCRIPT
open plug\\ZEVAPlug_TreasureBox.dll
waitvisible 14101 10
shot $ZEVA_DEMO_SHOTS/toolbox-grid.png
advance 5000
shot $ZEVA_DEMO_SHOTS/toolbox-strip.png
click 14101#4
wait 20101 插件示例
close
SCRIPT
ZEVA_APP_DIR="$tb_app" QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAClient" --manual-clock --timeout 50 \
    --script "$demo/toolbox-script.txt"
ls -l "$ZEVA_DEMO_SHOTS"/toolbox-*.png
