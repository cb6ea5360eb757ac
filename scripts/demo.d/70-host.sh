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
sed "s#\$SHOTS#$ZEVA_DEMO_SHOTS#g" scripts/lib/host-sample.txt > "$demo/host-script.txt"
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/ZEVAClient" --manual-clock --timeout 50 \
    --screenshot "$demo/shots" --script "$demo/host-script.txt"
ls -l "$shots"/*.png
