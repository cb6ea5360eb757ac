#!/usr/bin/env bash
# The receipt page opening with a long work-order answer: the host opens the
# page against the back-office emulator on loopback, once with 2 orders (the
# peer) and once with COUNT, and waits until the box shows every order. The
# difference is what the long list costs; the page should open in about a
# second more.  usage: bench/receipt_orders.sh BIN_DIR RECEIPT_PLUGIN [COUNT]
set -euo pipefail
bin=$1 plugin=$2 count=${3:-100000}
work=$(mktemp -d)
emulator=
cleanup() {
    [[ -n $emulator ]] && kill "$emulator" 2>/dev/null && wait "$emulator" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
app=$work/app
mkdir -p "$app/ProvincePlug" "$app/plug" "$work/registry"
mkdir -p -m 700 "$work/run"
cp "$plugin" "$app/ProvincePlug/"
export ZEVA_APP_DIR=$app/ ZEVA_REGISTRY_DIR=$work/registry XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

open_page() {  # ORDERS -> milliseconds the host took to show the page with every order
    local n=$1 data=$work/data-$1.txt
    {
        printf '[getCurrentAccount]\n0571a88001234\n\n[getSpeedConfigList]\n'
        printf '<SpeedConfigs><SpeedConfig><Id>1</Id><Title>t</Title><Url>http://127.0.0.1:9/f.bin</Url>'
        printf '<Type>1</Type><City>c</City><Description>d</Description><CTime>2026-12-01 09:00:00</CTime>'
        printf '</SpeedConfig></SpeedConfigs>\n\n[getUserNameAndWorkListNum]\n<QOLT><UserName>w</UserName><List>'
        seq -f '<WorkListNum>GD%.0f</WorkListNum>' 20000000 $((20000000 + n - 1)) | tr -d '\n'
        printf '</List></QOLT>\n'
    } > "$data"
    rm -f "$work/port"
    "$bin/zeva-backoffice" --port 0 --port-file "$work/port" --data "$data" --quiet &
    emulator=$!
    for _ in $(seq 1 200); do [[ -s $work/port ]] && break; sleep 0.05; done
    [[ -s $work/port ]] || { echo "receipt_orders: the emulator did not start" >&2; exit 1; }
    rm -f "$app/Config.dat"
    "$bin/zeva-cfg" set "$app/Config.dat" Server ServiceURL \
        "http://127.0.0.1:$(cat "$work/port")/kelv/BService.ws" >/dev/null
    printf 'open ZEVAPlug_Receipt.dll\nwait 10007 GD20000000 120\ndump %s\nclose\n' \
        "$work/dump-$n.json" > "$work/script.txt"
    local start end
    start=$(date +%s%N)
    timeout 300 "$bin/ZEVAClient" --timeout 280 --script "$work/script.txt" > "$work/host-$n.log" 2>&1 ||
        { cat "$work/host-$n.log" >&2; exit 1; }
    end=$(date +%s%N)
    kill "$emulator"; wait "$emulator" 2>/dev/null || true; emulator=
    local shown
    shown=$(python3 -c 'import json,sys
doc = json.load(open(sys.argv[1]))
print(max((len(c.get("items", [])) for w in doc["windows"] if w["template"] == 10037
           for c in w["controls"] if c["id"] == 10007), default=0))' "$work/dump-$n.json")
    [[ $shown == "$n" ]] || { echo "receipt_orders: $shown of $n orders shown" >&2; exit 1; }
    echo $(((end - start) / 1000000))
}

peer=$(open_page 2)
long=$(open_page "$count")
seconds() { printf '%d.%02d s' $(($1 / 1000)) $(($1 % 1000 / 10)); }
echo "receipt page opened (host start to close): 2 orders $(seconds "$peer"), $count orders $(seconds "$long");" \
    "the long list adds $(seconds $((long - peer)))"
