#!/usr/bin/env bash
# The LAN check's test bed: on a LAN bed of tests/netlab (run inside
# `netlab.sh run lan --hosts 12 -- lanbed.sh ...`, so the NETLAB_* variables
# are set), some hosts answer NetBIOS node status, some multicast DNS, and
# the gateway serves reverse DNS to the scanning namespace (one host runs
# Debian's avahi-daemon where it is installed; in a home bed the router's
# own DNS server names two devices). Then COMMAND runs
# with LANBED_NAMES naming the file of expected names ("IP NAME" lines).
#
#   lanbed.sh RESPONDER -- COMMAND...
#
# RESPONDER is the zeva-name-responder program. Everything started here
# lives in the bed's namespaces and ends with the bed.
set -euo pipefail
prog=lanbed
die() { echo "$prog: $*" >&2; exit 2; }

[[ -n ${NETLAB_STATE:-} && -n ${NETLAB_SCAN_NS:-} ]] || die "run inside netlab.sh run lan"
responder=${1:-}
[[ -x $responder ]] || die "usage: lanbed.sh RESPONDER -- COMMAND..."
shift
[[ ${1:-} == -- ]] || die "usage: lanbed.sh RESPONDER -- COMMAND..."
shift
(( NETLAB_HOSTS >= 12 )) || die "the bed needs at least 12 hosts"

prefix=${NETLAB_SCAN_NS%-me}
names=$NETLAB_STATE/names.txt
: > "$names"
host_ip() { if (( $1 == NETLAB_HOSTS )); then echo 10.232.0.254; else echo "10.232.0.$(( $1 * 4 + 2 ))"; fi; }

start() {  # start NS LOG ARGS...
    local ns=$1 log=$2; shift 2
    ip netns exec "$ns" "$responder" "$@" > "$log" 2>&1 &
    local i
    for i in $(seq 1 100); do
        grep -q '^listening' "$log" 2>/dev/null && return 0
        sleep 0.05
    done
    die "responder in $ns did not start: $(cat "$log")"
}

# NetBIOS computers (h2 answers multicast DNS as well: its NetBIOS name wins).
declare -A netbios=([1]=PC-ZHANG [2]=NAS-HOME [4]=LAPTOP-LI [7]=DESKTOP-WANG)
declare -A mdns=([2]=nas-home [3]=iPhone-Xiao [5]=printer-hp [8]=macbook [10]=android-tv)
for i in "${!netbios[@]}"; do
    ip=$(host_ip "$i")
    start "$prefix-h$i" "$NETLAB_STATE/nb$i.log" --bind "$ip" --port 137 --netbios "${netbios[$i]}"
    echo "$ip ${netbios[$i]}" >> "$names"
done
for i in "${!mdns[@]}"; do
    ip=$(host_ip "$i")
    start "$prefix-h$i" "$NETLAB_STATE/md$i.log" --bind "$ip" --port 5353 --mdns --ptr "$ip=${mdns[$i]}.local"
    [[ -n ${netbios[$i]:-} ]] || echo "$ip ${mdns[$i]}" >> "$names"
done
# A real multicast DNS responder where Debian's avahi-daemon is installed:
# without D-Bus, in a mount namespace of its own for its pid file, answering
# only inside the bed.
if command -v avahi-daemon >/dev/null; then
    ip=$(host_ip 9)
    cat > "$NETLAB_STATE/avahi.conf" <<CONF
[server]
host-name=living-room-tv
use-ipv4=yes
use-ipv6=no
allow-interfaces=eth0
enable-dbus=no
[wide-area]
enable-wide-area=no
[publish]
publish-addresses=yes
publish-hinfo=no
publish-workstation=no
publish-domain=no
CONF
    ip netns exec "$prefix-h9" sh -c "mkdir -p /run/avahi-daemon && mount -t tmpfs none /run/avahi-daemon &&
        exec avahi-daemon -f '$NETLAB_STATE/avahi.conf' --no-drop-root --no-chroot" > "$NETLAB_STATE/avahi.log" 2>&1 &
    for i in $(seq 1 100); do
        grep -q 'Server startup complete' "$NETLAB_STATE/avahi.log" 2>/dev/null && break
        sleep 0.05
    done
    grep -q 'Server startup complete' "$NETLAB_STATE/avahi.log" || die "avahi-daemon did not start: $(cat "$NETLAB_STATE/avahi.log")"
    echo "$ip living-room-tv" >> "$names"
fi

if [[ -n ${NETLAB_DNS_NAMES:-} ]]; then
    # A home bed's router has a DNS server of its own, which names two devices.
    cat "$NETLAB_DNS_NAMES" >> "$names"
else
    # The gateway's DNS server knows two of its clients by name.
    gw=$(host_ip "$NETLAB_HOSTS")
    plug=$(host_ip 6)
    start "$prefix-h$NETLAB_HOSTS" "$NETLAB_STATE/dns.log" --bind "$gw" --port 53 \
        --ptr "$plug=smart-plug.lan" --ptr "$gw=router.lan"
    echo "$plug smart-plug.lan" >> "$names"
    echo "$gw router.lan" >> "$names"
    "$(dirname "$0")/../../../tests/netlab/netlab.sh" wait dns "$plug" "$gw" --ns "$NETLAB_SCAN_NS" ||
        die "the gateway's DNS server does not answer"

    # `ip netns exec` shows /etc/netns/NS/resolv.conf as the namespace's /etc/resolv.conf.
    mkdir -p "/etc/netns/$NETLAB_SCAN_NS"
    echo "nameserver $gw" > "/etc/netns/$NETLAB_SCAN_NS/resolv.conf"
    trap 'rm -rf "/etc/netns/$NETLAB_SCAN_NS"' EXIT
fi
sort -t. -k4 -n "$names" -o "$names"
export LANBED_NAMES=$names
set +e
"$@"
rc=$?
set -e
exit "$rc"
