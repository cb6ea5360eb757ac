#!/usr/bin/env bash
# The LAN scan on a bridge of 30 host namespaces against arp-scan on the same
# bed in the same run: hosts found with the right hardware addresses and
# vendors, false devices, and the time for the /24. Needs root.
#   bench/netprobe_scan.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/release/bin}")
rounds=${2:-3}
[[ $(id -u) -eq 0 ]] || { echo "netprobe_scan: needs root, skipped"; exit 0; }
command -v arp-scan >/dev/null || { echo "netprobe_scan: arp-scan missing (scripts/setup)"; exit 1; }

NETLAB_ID=s$$ tests/netlab/netlab.sh run lan -- bash -c '
    ms() { echo $(( $(date +%s%N) / 1000000 )); }
    ours=0; theirs=0; found=0; right=0; wrong=0; afound=0
    for r in $(seq 1 '"$rounds"'); do
        t=$(ms); json=$(ip netns exec "$NETLAB_SCAN_NS" "'"$bin"'/zeva-netprobe" --json scan); ours=$(( ours + $(ms) - t ))
        t=$(ms); arp=$(ip netns exec "$NETLAB_SCAN_NS" arp-scan -q -I "$NETLAB_SCAN_IF" -l 2>/dev/null); theirs=$(( theirs + $(ms) - t ))
        got=$(grep -o "{\"ip\":\"[^}]*\"self\":false,[^}]*}" <<<"$json" |
              sed -E "s/.*\"ip\":\"([^\"]*)\",\"mac\":\"([^\"]*)\",\"vendor\":\"([^\"]*)\".*/\1 \2 \3/" | sort)
        found=$(( found + $(grep -c . <<<"$got" || true) ))
        right=$(( right + $(comm -12 <(sort "$NETLAB_EXPECTED") <(echo "$got") | grep -c . || true) ))
        wrong=$(( wrong + $(comm -13 <(sort "$NETLAB_EXPECTED") <(echo "$got") | grep -c . || true) ))
        afound=$(( afound + $(grep -cE "^10\.232\." <<<"$arp" || true) ))
    done
    n='"$rounds"'
    echo "hosts on the bed:            $NETLAB_HOSTS"
    echo "zeva-netprobe found:         $(( found / n )) per scan, $(( right / n )) with right address and vendor, $(( wrong / n )) false"
    echo "arp-scan found:              $(( afound / n )) per scan"
    echo "time per /24 scan (ms):      zeva-netprobe $(( ours / n )), arp-scan $(( theirs / n ))"
    awk -v a="$theirs" -v o="$ours" "BEGIN { printf \"speed ratio arp-scan/ours:   %.2f (goal: >= 1)\n\", a / o }"
'
