# The receipt page in the host, inside a namespace bed with a shaped link,
# against the back-office emulator: open, test, one failed submit check,
# the form filled and the work order closed. Writes the receipt screenshots
# and shows the report the emulator received.
step "Receipt page: a work order closed through the host in a network bed (screenshots)"
receipt_probe="zlrd$$"
if [[ $(id -u) -eq 0 ]] && command -v nginx >/dev/null && ip netns add "$receipt_probe" 2>/dev/null; then
    ip netns del "$receipt_probe"
    receipt_out="$PWD/$demo/receipt"
    mkdir -p "$receipt_out"
    tests/netlab/netlab.sh run link --rate 16mbit --file-mb 128 -- \
        plugins/receipt/tests/receipt-e2e.sh "$PWD/$bin" \
        "$PWD/${bin%/bin}/app/ProvincePlug/ZEVAPlug_Receipt.so" "$receipt_out"
    cp "$receipt_out"/shots/receipt-*.png "$ZEVA_DEMO_SHOTS/"
    grep '"upFinish"' "$receipt_out/backoffice.log"
else
    echo "skipped: needs root, nginx and network namespaces"
fi
