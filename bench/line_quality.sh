#!/usr/bin/env bash
# Line quality on a 20 Mbit/s line through a router with a deep (400 ms) and
# a shallow (5 ms) tbf buffer, the hosts on reno: `zeva-netprobe quality`
# beside its peers in the same bed and run. Loaded latency against ping's
# median during an iperf3 load (as many streams as the engine uses), idle jitter
# against irtt's, download and upload rates against iperf3's.
# Needs root (network namespaces).
#   bench/line_quality.sh [BIN_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/release/bin}")
secs=${2:-20}
netlab=tests/netlab/netlab.sh
[[ $(id -u) -eq 0 ]] || { echo "line_quality: needs root, skipped"; exit 0; }
for tool in iperf3 irtt ping python3; do
    command -v "$tool" >/dev/null || { echo "line_quality: $tool missing (scripts/setup)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs in the bed: every figure into $OUT.
measure() {
    local c=$NETLAB_CLIENT_NS ip=$NETLAB_SERVER_IP
    ip netns exec "$c" irtt client -i 10ms -d 5s -Q -o "$OUT/irtt.json" "$NETLAB_IRTT"
    ip netns exec "$c" "$BIN/zeva-netprobe" --json quality "$NETLAB_URL" --upload "$NETLAB_UPLOAD_URL" \
        --seconds "$SECS" > "$OUT/ours.json"
    local dir
    for dir in down up; do
        local flag=()
        [[ $dir == down ]] && flag=(-R)
        # ping from the third second on, while iperf3 has filled the buffer.
        ( sleep 3; ip netns exec "$c" ping -n -i 0.1 -w 6 "$ip" > "$OUT/ping-$dir.txt" 2>&1 || true ) &
        ip netns exec "$c" iperf3 -c "$ip" "${flag[@]}" -P "$STREAMS" -t 10 -O 2 -J > "$OUT/iperf-$dir.json"
        wait
    done
}
export -f measure

report() {
    python3 - "$@" <<'PY'
import json, re, statistics, sys
out, line = sys.argv[1], sys.argv[2]
ours = json.load(open(f"{out}/ours.json"))
irtt = json.load(open(f"{out}/irtt.json"))
def iperf(d):
    j = json.load(open(f"{out}/iperf-{d}.json"))
    return j["end"]["sum_received"]["bits_per_second"] / 1e6
def ping(d):
    t = [float(x) for x in re.findall(r"time=([0-9.]+) ms", open(f"{out}/ping-{d}.txt").read())]
    return statistics.median(t) if t else float("nan")
ipdv = irtt["stats"]["ipdv_round_trip"]["mean"] / 1e6
irtt_rtt = irtt["stats"]["rtt"]["median"] / 1e6
rows = [
    ("idle latency, median (ms)", ours["idle"]["latency_ms"]["median"], irtt_rtt, "irtt"),
    ("idle jitter (ms)", ours["idle"]["latency_ms"]["jitter"], ipdv, "irtt"),
    ("download (Mbit/s)", ours["download"]["mbps"], iperf("down"), "iperf3"),
    ("upload (Mbit/s)", ours["upload"]["mbps"], iperf("up"), "iperf3"),
    ("loaded latency, download (ms)", ours["download"]["latency_ms"]["median"], ping("down"), "ping"),
    ("loaded latency, upload (ms)", ours["upload"]["latency_ms"]["median"], ping("up"), "ping"),
]
for name, a, b, peer in rows:
    ratio = a / b if b else float("nan")
    print(f"{line:<8} {name:<31} {a:>9.2f} {b:>9.2f} {peer:<7} {ratio:>7.3f}")
print(f"{line:<8} {'loaded latency p90 down/up (ms)':<31} {ours['download']['latency_ms']['p90']:>9.1f} {ours['upload']['latency_ms']['p90']:>9.1f}")
print(f"{line:<8} {'responsiveness (RPM)':<31} {ours['responsiveness_rpm']:>9.0f}   (download {ours['download']['responsiveness_rpm']:.0f}, upload {ours['upload']['responsiveness_rpm']:.0f}); load adds {ours['added_ms']:.0f} ms: {ours['verdict']}")
PY
}

printf '%-8s %-31s %9s %9s %-7s %7s\n' line figure ours peer peer ratio
streams=8
for buffer in ${BUFFERS:-400 5}; do
    out=$work/b$buffer
    mkdir -p "$out"
    name=$([[ $buffer == 400 ]] && echo deep || echo shallow)
    if ! NETLAB_ID=lq$$ OUT=$out BIN=$bin SECS=$secs STREAMS=$streams "$netlab" run quality --rate 20mbit \
        --buffer-ms "$buffer" -- bash -c measure >"$out/log" 2>&1; then
        echo "$name: the bed failed:"; tail -5 "$out/log"; continue
    fi
    report "$out" "$name"
    cp "$out/ours.json" "${TMPDIR:-/tmp}/line_quality_$name.json"
done
echo "(20 Mbit/s tbf each way, reno; goals: loaded latency within 20 % of ping's, rates within 3 % of iperf3's;"
echo " our figures as JSON in ${TMPDIR:-/tmp}/line_quality_{deep,shallow}.json)"
