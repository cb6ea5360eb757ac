# Settings of a sample installation, written and read with zeva-cfg.
step "Settings of a sample installation (enciphered Config.dat, written with zeva-cfg)"
"$bin/zeva-cfg" import "$ZEVA_APP_DIR/Config.dat" <<'INI'
[Update]
Version=1.0.0
Region=330000
ServerIP=127.0.0.1
ServerPort=18080
ServerIP2=127.0.0.2
ServerPort2=18080
[Server]
WebSiteURL=http://127.0.0.1:18080/
ServiceURL=http://127.0.0.1:16905/kelv/BService.ws
INI
"$bin/zeva-cfg" set "$ZEVA_APP_DIR/SpeedTest.dat" Area 杭州 杭州地区
"$bin/zeva-cfg" dump "$ZEVA_APP_DIR/Config.dat"
echo "-- Area of 杭州: $("$bin/zeva-cfg" get "$ZEVA_APP_DIR/SpeedTest.dat" Area 杭州)"
echo "-- the file on disk is not readable text:"
head -c 48 "$ZEVA_APP_DIR/Config.dat" | od -An -c | head -3
