#!/usr/bin/env bash
# The speed test end to end: the host ZEVAClient inside the client
# namespace of a shaped link bed (tests/netlab) opens the plug-in, runs the
# download test against the bed's nginx while the back-office emulator
# answers on the namespace's loopback, and the emulator's log must hold the
# setSpeedInfo report with a ResponseRate that matches the link.
#   download_in_bed.sh BIN_DIR APP_BUILD_DIR [--rate RATE] [--shots DIR] [--result FILE]
# Needs root; exits 77 (skipped) without it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
bin=$(realpath "$1"); appbuild=$(realpath "$2"); shift 2
rate=100mbit shots="" result=""
while (( $# )); do
    case $1 in
        --rate) rate=$2; shift 2 ;;
        --shots) shots=$(realpath -m "$2"); shift 2 ;;
        --result) result=$(realpath -m "$2"); shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
if [[ $(id -u) -ne 0 ]] || ! ip netns list >/dev/null 2>&1; then
    echo "speed test end to end: needs root and ip netns, skipped"
    exit 77
fi

work=$(mktemp -d /tmp/zeva-speedtest-e2e.XXXXXX)
[[ -n ${E2E_KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
export E2E_WORK=$work E2E_BIN=$bin E2E_APPBUILD=$appbuild E2E_SHOTS=$shots E2E_BENCH=${E2E_BENCH:-} E2E_DEFAULT_DATA=${E2E_DEFAULT_DATA:-}
status=0
NETLAB_ID=st$$ "$root/tests/netlab/netlab.sh" run link --rate "$rate" --rtt-ms 20 -- \
    bash -c '
        # With segmentation offload the veth hands the client 64 KB packets
        # whose headers its byte counters see once; a real NIC counts every
        # frame, as the shaper meters them, so the server sends frames.
        ip -n "$NETLAB_SERVER_NS" link set veth0 gso_max_segs 1 gso_max_size 1514 ||
            echo "netlab: segmentation offload stays on" >&2
        ip netns exec "$NETLAB_CLIENT_NS" bash "'"$here"'/inside_client.sh"' || status=$?
[[ -n $result && -f $work/result.txt ]] && cp "$work/result.txt" "$result"
exit $status
