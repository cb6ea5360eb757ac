# The host program with the sample plug-in, offscreen: a script opens the
# tool through the catalogue, types, clicks, runs the progress, opens the
# message box and writes its screenshots.
step "Host ZEVAClient with the sample plug-in (offscreen, screenshots)"
mkdir -p "$ZEVA_APP_DIR/plug" "$ZEVA_APP_DIR/ProvincePlug" "$demo/shots"
cp build/release/app/ProvincePlug/ZEVAPlug_Sample.so "$ZEVA_APP_DIR/ProvincePlug/"
"$bin/zeva-cfg" import "$ZEVA_APP_DIR/ProvincePlug/ProvincePlugConfig.dat" <<'INI'
[功能大全细]
PlugNum=1
1=插件示例
[插件示例]
PlugModuleName=ProvincePlug\ZEVAPlug_Sample.dll
Summary=插件框架的示例页面
ShowMode=1
INI
shots=$ZEVA_DEMO_SHOTS
cat > "$demo/host-script.txt" <<SCRIPT
shot $shots/host-main.png
pick 插件示例
type 20107 张三
click 20108
wait 20109 您好，张三！
select 20111 2
click 20112
click 20116
advance 2000
expect 20115 100%
shot $shots/sample-page.png
click 20117
shot $shots/message-box.png
click 1
click 20118
close
SCRIPT
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAClient" --manual-clock --timeout 50 \
    --screenshot "$demo/shots" --script "$demo/host-script.txt"
ls -l "$shots"/*.png
