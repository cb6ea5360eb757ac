#!/usr/bin/env bash
# The LAN check on the LAN bed (12 host namespaces answering NetBIOS,
# multicast DNS and the gateway's reverse DNS): time from opening the page to
# its finished state and the fraction of devices named, against arp-scan for
# the scan and nmblookup (NetBIOS) and getent (the system's reverse DNS) for
# the names, in the same run. Needs root.
#   bench/languard.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
rounds=${2:-3}
[[ $(id -u) -eq 0 ]] || { echo "languard: needs root, skipped"; exit 0; }
command -v arp-scan >/dev/null || { echo "languard: arp-scan missing (scripts/setup)"; exit 1; }

export LG_BIN=$build/bin LG_APP=$build/app/ LG_ROUNDS=$rounds
NETLAB_ID=g$$ tests/netlab/netlab.sh run lan --hosts 12 -- \
    plugins/languard/tests/lanbed.sh "$build/bin/zeva-name-responder" -- bash -c '
    ms() { echo $(( $(date +%s%N) / 1000000 )); }
    in_ns() { ip netns exec "$NETLAB_SCAN_NS" "$@"; }
    ips=$(awk "{print \$1}" "$NETLAB_EXPECTED")
    page=0; named=0; listed=0; scan=0; arp=0; arpn=0; nmb=0; nmbn=0; dns=0; dnsn=0
    for r in $(seq 1 "$LG_ROUNDS"); do
        out=$(in_ns env ZEVA_APP_DIR="$LG_APP" "$LG_BIN/languard-bed-dump" "$LG_APP/plug/ZEVAPlug_AntiPilferNet.so" 30000)
        page=$(( page + $(awk "/^finished-ms/ {print \$2}" <<<"$out") ))
        listed=$(( listed + $(tail -n +4 <<<"$out" | grep -c . || true) ))
        named=$(( named + $(tail -n +4 <<<"$out" | awk -F"\t" "\$4 != \"未知\" && \$4 != \"\"" | grep -c . || true) ))

        t=$(ms); in_ns "$LG_BIN/zeva-netprobe" --json scan >/dev/null; scan=$(( scan + $(ms) - t ))
        t=$(ms); a=$(in_ns arp-scan -q -I "$NETLAB_SCAN_IF" -l 2>/dev/null); arp=$(( arp + $(ms) - t ))
        arpn=$(( arpn + $(grep -cE "^10\.232\." <<<"$a" || true) ))

        # The peers ask every device at once, as the page does.
        if command -v nmblookup >/dev/null; then
            t=$(ms)
            got=$(for ip in $ips; do (in_ns nmblookup -A "$ip" 2>/dev/null | grep -q "<00> -  " && echo ok) & done; wait)
            nmb=$(( nmb + $(ms) - t )); nmbn=$(( nmbn + $(grep -c ok <<<"$got" || true) ))
        fi
        t=$(ms)
        got=$(for ip in $ips; do (in_ns getent hosts "$ip" >/dev/null && echo ok) & done; wait)
        dns=$(( dns + $(ms) - t )); dnsn=$(( dnsn + $(grep -c ok <<<"$got" || true) ))
    done
    n=$LG_ROUNDS
    hosts=$(grep -c . "$NETLAB_EXPECTED")
    echo "hosts on the bed:                 $hosts (names: $(grep -c . "$LANBED_NAMES") of them)"
    echo "page open to finished (ms):       $(( page / n ))  (two scans a second apart + the name search)"
    echo "devices listed by the page:       $(( listed / n )) of $hosts, and this computer"
    awk -v a="$named" -v n="$n" -v h="$hosts" "BEGIN { printf \"named by the page:                %.0f of %d (%.0f%%)\n\", a / n, h, 100 * a / n / h }"
    echo "one scan, zeva-netprobe (ms):     $(( scan / n ))"
    echo "one scan, arp-scan (ms):          $(( arp / n ))  found $(( arpn / n ))"
    if command -v nmblookup >/dev/null; then
        echo "nmblookup -A, all at once (ms):   $(( nmb / n ))  named $(( nmbn / n )) (NetBIOS only)"
    else
        echo "nmblookup:                        not installed (samba-common-bin)"
    fi
    echo "getent hosts, all at once (ms):   $(( dns / n ))  named $(( dnsn / n )) (reverse DNS only)"
    echo "avahi-resolve:                    not run (needs avahi-daemon on D-Bus in the namespace)"
'
