#!/usr/bin/env bash
# The speed test's reported rate (ResponseRate as the back-office emulator
# logged it) on shaped links of 10, 100 and 1,000 Mbit/s, beside the shaped
# rate, the TCP ceiling of the link, the download engine's own average and
# iperf3 in the same bed. Needs root (network namespaces).
#   bench/speedtest_accuracy.sh [BIN_DIR] [APP_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/release/bin}")
app=$(realpath "${2:-$bin/../app}")
[[ $(id -u) -eq 0 ]] || { echo "speedtest_accuracy: needs root, skipped"; exit 0; }
command -v iperf3 >/dev/null || { echo "speedtest_accuracy: iperf3 missing (scripts/setup)"; exit 1; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT
printf '%-9s %9s %9s %9s %9s %9s %10s %10s\n' link shaped ceiling reported engine iperf3 rep/shaped rep/iperf
for rate in 10mbit 100mbit 1000mbit; do
    rm -f "$out"
    E2E_BENCH=1 bash plugins/speedtest/e2e/download_in_bed.sh "$bin" "$app" --rate "$rate" --result "$out" >/dev/null 2>&1 || true
    if [[ ! -s $out ]]; then printf '%-9s (no result)\n' "$rate"; continue; fi
    read -r r shaped ceiling kb engine iperf < "$out"
    awk -v r="$r" -v s="$shaped" -v c="$ceiling" -v k="$kb" -v e="${engine:-0}" -v i="${iperf:-0}" 'BEGIN {
        ip = i * 1000 / 8 / 1024
        printf "%-9s %9d %9d %9d %9d %9d %10.3f %10.3f\n", r, s, c, k, e, ip, k / s, (ip > 0 ? k / ip : 0)
    }'
done
echo "(KB/s; ceiling = shaped x 1448/1514, what TCP carries in whole frames; goal: reported within 2 % of the shaped rate: the counters count whole frames, as the shaper does)"
