# The LAN check on a LAN bed of 12 host namespaces (root only: the scan and
# the name questions stay inside the bed): the host in the scanning namespace
# opens the page; screenshots of the searching and the finished page.
step "LAN check ZEVAPlug_AntiPilferNet on a LAN bed of 12 host namespaces"
if [[ $(id -u) -ne 0 ]] || ! ip netns list >/dev/null 2>&1; then
    echo "skipped: needs root and ip netns"
else
    mkdir -p "$ZEVA_APP_DIR/plug"
    cp build/release/app/plug/ZEVAPlug_AntiPilferNet.so "$ZEVA_APP_DIR/plug/"
    shots=$ZEVA_DEMO_SHOTS
    cat > "$demo/languard-script.txt" <<SCRIPT
open plug\\ZEVAPlug_AntiPilferNet.dll
shot $shots/languard-searching.png
wait 13007 12
shot $shots/languard-finished.png
close
SCRIPT
    NETLAB_ID=dl$(( $$ % 100000 )) tests/netlab/netlab.sh run lan --hosts 12 -- \
        plugins/languard/tests/lanbed.sh "$PWD/$bin/zeva-name-responder" -- bash -c '
        ip netns exec "$NETLAB_SCAN_NS" env ZEVA_APP_DIR="'"$ZEVA_APP_DIR"'" QT_QPA_PLATFORM=offscreen \
            timeout 60 "'"$PWD/$bin"'/ZEVAClient" --timeout 50 --script "'"$PWD/$demo"'/languard-script.txt"
        echo "names the bed gives:"; cat "$LANBED_NAMES"'
    ls -l "$shots"/languard-*.png
fi
