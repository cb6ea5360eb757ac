#!/usr/bin/env bash
# Accuracy of the download-rate engine on shaped links (10, 100 and 1,000
# Mbit/s, 20 ms round trip where the kernel can delay), against the shaped
# rate and against iperf3 on the same link in the same run; and the
# engine's processor use at 1 Gbit/s. Needs root (network namespaces).
#   bench/netprobe_accuracy.sh [BIN_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/release/bin}")
secs=${2:-10}
netlab=tests/netlab/netlab.sh
[[ $(id -u) -eq 0 ]] || { echo "netprobe_accuracy: needs root, skipped"; exit 0; }
command -v iperf3 >/dev/null || { echo "netprobe_accuracy: iperf3 missing (scripts/setup)"; exit 1; }

# tbf meters whole Ethernet frames: with a 1500-byte MTU and TCP timestamps
# a 1514-byte frame carries 1448 bytes of data, so no TCP download can show
# more than 95.6 % of the shaped rate. eng/ceil compares with that ceiling.
printf '%-9s %8s %8s %8s %9s %9s %9s %6s\n' link shaped engine iperf3 eng/shape eng/ceil eng/iperf cpu%
for rate in 10mbit 100mbit 1000mbit; do
    out=$(NETLAB_ID=a$$ "$netlab" run link --rate "$rate" --rtt-ms 20 -- bash -c '
        ip netns exec "$NETLAB_CLIENT_NS" "'"$bin"'/zeva-netprobe" --json download --duration-ms '"$((secs * 1000))"' "$NETLAB_URL"
        # -R: the server sends, as in a download; the first second (slow start) is left out like the engine does.
        ip netns exec "$NETLAB_CLIENT_NS" iperf3 -c "$NETLAB_SERVER_IP" -R -t '"$secs"' -O 1 -f k | awk "/receiver/ {print \"IPERF\", \$(NF-2)}"
        echo "DELAY $NETLAB_DELAY"
    ' 2>/dev/null)
    kbps=$(grep -o '"average_kbps":[0-9]*' <<<"$out" | cut -d: -f2)
    cpu=$(grep -o '"cpu_ms":[0-9]*' <<<"$out" | cut -d: -f2)
    iperf_kbit=$(awk '/^IPERF/ {print $2}' <<<"$out")
    delay=$(sed -n 's/^DELAY //p' <<<"$out")
    awk -v r="$rate" -v k="$kbps" -v i="$iperf_kbit" -v c="$cpu" -v s="$secs" 'BEGIN {
        shaped = r; sub(/mbit/, "", shaped); shaped += 0
        eng = k * 1024 * 8 / 1e6; ip = i / 1000
        printf "%-9s %8.1f %8.1f %8.1f %9.3f %9.3f %9.3f %6.1f\n", r, shaped, eng, ip, eng / shaped, eng / (shaped * 1448 / 1514), (ip > 0 ? eng / ip : 0), c / (s * 10)
    }'
done
echo "(Mbit/s; cpu% of one core; goal: engine within 3 % of the shaped rate and of iperf3; delay: ${delay:-unknown})"
