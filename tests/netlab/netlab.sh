#!/usr/bin/env bash
# A network test bed in network namespaces (needs root and `ip netns`).
# Nothing here touches the machine's own network: every interface lives in
# namespaces this script creates, and `down` (or `run`, always) removes them.
#
#   netlab.sh link up ID [--rate RATE] [--rtt-ms N] [--file-mb N]
#       client and server namespaces joined by a veth pair, shaped with tc
#       (tbf for the rate; netem for the delay where the kernel has it), an
#       nginx serving /test.bin and an iperf3 server in the server namespace
#   netlab.sh lan up ID [--hosts N]
#       a bridge with N (default 30) host namespaces with chosen hardware
#       addresses (real makers' prefixes and randomized ones) and a scanning
#       namespace "me"; the expected devices are listed in $NETLAB_EXPECTED
#   netlab.sh home up ID [--rate RATE] [--rtt-ms N] [--hosts N] [--file-mb N]
#       a customer's home and the provider: the LAN of `lan` (its last host
#       the home router, with a DNS server for the LAN and the provider's
#       names), the router's line to the provider shaped as in `link`, and in
#       the provider's namespace the speed-test server, two web sites of
#       different speeds and an empty update server folder ($NETLAB_UPDATE_ROOT)
#   netlab.sh quality up ID [--rate RATE] [--buffer-ms N] [--file-mb N]
#       client, router and server namespaces; the router shapes both
#       directions with tbf (its buffer N ms deep, default 400); every host
#       uses reno (loss-based, as most servers are); the server runs nginx
#       (/test.bin, and /upload that reads and discards POSTed data), iperf3
#       and irtt
#   netlab.sh down ID
#   netlab.sh wait http URL [--ns NS] [--within S]
#   netlab.sh wait tcp HOST PORT [--ns NS] [--within S]
#   netlab.sh wait dns NAME SERVER[#PORT] [--ns NS] [--within S]
#       waits until a server a bed started answers: any HTTP answer, an
#       accepted connection, an answer from SERVER for NAME (an address
#       NAME asks for its reverse name); inside NS when given. At most S
#       seconds (default $NETLAB_WAIT, else 20); exits 1 naming what did not
#       answer. Every bed waits so before it starts what it tests.
#   netlab.sh run link|lan|home|quality [options] -- COMMAND...
#       sets a bed up under a fresh ID, runs COMMAND with the NETLAB_*
#       variables exported, always tears the bed down; exits with COMMAND's status
#
# `up` prints the NETLAB_* variables as KEY=VALUE lines on standard output;
# what could not be applied is said on standard error.
set -euo pipefail

prog=netlab
die() { echo "$prog: $*" >&2; exit 2; }
note() { echo "$prog: $*" >&2; }

ns_prefix() { echo "zl-$1"; }
state_dir() { echo "${TMPDIR:-/tmp}/netlab-$1"; }

require_root() {
    [[ $(id -u) -eq 0 ]] || die "needs root"
    ip netns list >/dev/null 2>&1 || die "ip netns is not available"
}

check_id() {
    [[ $1 =~ ^[A-Za-z0-9]{1,8}$ ]] || die "ID must be 1-8 letters or digits"
}

# Rate text of tc ("100mbit", "1gbit", "500kbit") in bits per second.
rate_bits() {
    local r=${1,,}
    case $r in
        *gbit) echo $(( ${r%gbit} * 1000000000 )) ;;
        *mbit) echo $(( ${r%mbit} * 1000000 )) ;;
        *kbit) echo $(( ${r%kbit} * 1000 )) ;;
        *bit) echo "${r%bit}" ;;
        *) die "rate must end in gbit, mbit or kbit: $1" ;;
    esac
}

down() {
    local id=$1 prefix ns
    prefix=$(ns_prefix "$id")
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E "^${prefix}-" || true); do
        # Processes first (nginx, iperf3, anything a command left), then the namespace.
        ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
        ip netns del "$ns" 2>/dev/null || true
        # Files a test gave the namespace (resolv.conf for `ip netns exec`).
        rm -rf "/etc/netns/$ns"
    done
    rm -rf "$(state_dir "$id")"
}

# tc on one end of the link: netem for half the round trip where available,
# tbf for the rate beneath it (or alone).
shape() {
    local ns=$1 dev=$2 rate=$3 delay_ms=$4 bits burst
    bits=$(rate_bits "$rate")
    # At least 10 ms of data per token bucket, and never less than a few frames.
    burst=$(( bits / 8 / 100 ))
    (( burst < 32768 )) && burst=32768
    if (( delay_ms > 0 )) && ip netns exec "$ns" tc qdisc add dev "$dev" root handle 1: netem delay "${delay_ms}ms" limit 100000 2>/dev/null; then
        ip netns exec "$ns" tc qdisc add dev "$dev" parent 1:1 handle 10: tbf rate "$rate" burst "$burst" latency 200ms
        echo delay
    else
        ip netns exec "$ns" tc qdisc add dev "$dev" root tbf rate "$rate" burst "$burst" latency 200ms
        echo nodelay
    fi
}

# shape_line NS_A DEV_A NS_B DEV_B RATE RTT: both ends of a line; prints the delay's note.
shape_line() {
    local half=$(( $6 / 2 )) d1 d2
    d1=$(shape "$1" "$2" "$5" "$half")
    d2=$(shape "$3" "$4" "$5" "$half")
    if [[ $d1 == delay && $d2 == delay ]]; then
        echo "netem ${6}ms round trip"
    elif (( $6 == 0 )); then
        echo "none asked"
    else
        echo "not applied (no netem in this kernel)"
        note "delay: netem is not available in this kernel; the ${6} ms round trip is NOT applied"
    fi
}

# nginx_conf STATE ACCESS_LOG SERVER...: a one-worker nginx with its files in STATE.
nginx_conf() {
    local st=$1 access=$2
    shift 2
    {
        cat <<CONF
worker_processes 1;
pid $st/nginx.pid;
error_log $st/error.log;
events { worker_connections 512; }
http {
    access_log $access;
    default_type application/octet-stream;
    sendfile on;
    tcp_nopush on;
    client_body_temp_path $st/tmp/body;
    proxy_temp_path $st/tmp/proxy;
    fastcgi_temp_path $st/tmp/fastcgi;
    uwsgi_temp_path $st/tmp/uwsgi;
    scgi_temp_path $st/tmp/scgi;
CONF
        printf '    %s\n' "$@"
        echo "}"
    } > "$st/nginx.conf"
}

# Waiting for a bed's servers. Each check runs in namespace NS when one is
# given (else here) and is tried every 0.1 s for at most $NETLAB_WAIT
# seconds (default 20); a server that never answers fails the bed by name.
in_ns() {  # in_ns NS COMMAND...: NS may be empty
    local ns=$1; shift
    if [[ -n $ns ]]; then ip netns exec "$ns" "$@"; else "$@"; fi
}

wait_until() {  # wait_until WHAT CHECK...
    local what=$1 within=${NETLAB_WAIT:-20}; shift
    local deadline=$(( SECONDS + within ))
    until "$@"; do
        if (( SECONDS >= deadline )); then
            echo "$prog: $what did not answer within $within s" >&2
            return 1
        fi
        sleep 0.1
    done
}

tcp_answers() { in_ns "$3" timeout 2 bash -c "exec 3<>/dev/tcp/$1/$2" 2>/dev/null; }

http_answers() {  # any status counts: the server is there (one byte asked, not a whole test file)
    local code
    code=$(in_ns "$2" curl -s -o /dev/null --noproxy '*' --max-time 2 -r 0-0 -w '%{http_code}' "$1" 2>/dev/null) || true
    [[ -n $code && $code != 000 ]]
}

dns_answers() {
    local name=$1 server=${2%%#*} port=53 ask=()
    [[ $2 == *#* ]] && port=${2#*#}
    if [[ $name =~ ^[0-9]+(\.[0-9]+){3}$ ]]; then ask=(-x "$name"); else ask=("$name"); fi
    in_ns "$3" dig +time=1 +tries=1 +short -p "$port" "@$server" "${ask[@]}" 2>/dev/null | grep -q .
}

# wait_http URL [NS], wait_tcp HOST PORT [NS], wait_dns NAME SERVER[#PORT] [NS]
wait_http() { wait_until "the web server at $1${2:+ (in $2)}" http_answers "$1" "${2:-}"; }
wait_tcp() { wait_until "the server at $1:$2${3:+ (in $3)}" tcp_answers "$1" "$2" "${3:-}"; }
wait_dns() {
    command -v dig >/dev/null || die "dig is not installed (bind9-dnsutils)"
    wait_until "the DNS server $2 for $1${3:+ (in $3)}" dns_answers "$1" "$2" "${3:-}"
}

# The older form: wait_port NS HOST PORT.
wait_port() { wait_tcp "$2" "$3" "$1"; }

wait_command() {
    local kind=${1:-} ns="" args=()
    (( $# )) && shift
    while (( $# )); do
        case $1 in
            --ns) ns=${2:?--ns needs a namespace}; shift 2 ;;
            --within) NETLAB_WAIT=${2:?--within needs seconds}; shift 2 ;;
            *) args+=("$1"); shift ;;
        esac
    done
    [[ ${NETLAB_WAIT:-20} =~ ^[0-9]+$ ]] || die "--within takes whole seconds"
    case $kind:${#args[@]} in
        http:1) wait_http "${args[0]}" "$ns" ;;
        tcp:2) wait_tcp "${args[0]}" "${args[1]}" "$ns" ;;
        dns:2) wait_dns "${args[0]}" "${args[1]}" "$ns" ;;
        *) die "usage: netlab.sh wait http URL | tcp HOST PORT | dns NAME SERVER [--ns NS] [--within S]" ;;
    esac
}

link_up() {
    local id=$1; shift
    local rate=100mbit rtt=20 file_mb=1024
    while (( $# )); do
        case $1 in
            --rate) rate=$2; shift 2 ;;
            --rtt-ms) rtt=$2; shift 2 ;;
            --file-mb) file_mb=$2; shift 2 ;;
            *) die "unknown option $1" ;;
        esac
    done
    [[ $rtt =~ ^[0-9]+$ && $file_mb =~ ^[0-9]+$ ]] || die "--rtt-ms and --file-mb take numbers"
    rate_bits "$rate" >/dev/null
    command -v nginx >/dev/null || die "nginx is not installed"
    local p c s st
    p=$(ns_prefix "$id"); c=$p-c; s=$p-s; st=$(state_dir "$id")
    mkdir -p "$st/www" "$st/tmp"
    chmod 755 "$st" "$st/www"
    ip netns add "$c"
    ip netns add "$s"
    ip -n "$c" link set lo up
    ip -n "$s" link set lo up
    ip -n "$c" link add veth0 type veth peer name veth0 netns "$s"
    ip -n "$c" addr add 10.231.0.1/24 dev veth0
    ip -n "$s" addr add 10.231.0.2/24 dev veth0
    ip -n "$c" link set veth0 up
    ip -n "$s" link set veth0 up

    local delay_note
    delay_note=$(shape_line "$s" veth0 "$c" veth0 "$rate" "$rtt")
    note "rate: tbf $rate applied in both directions"

    truncate -s "${file_mb}M" "$st/www/test.bin"
    head -c 100000 /dev/urandom > "$st/www/page.html"
    nginx_conf "$st" off "server { listen 10.231.0.2:80; root $st/www; }"
    ip netns exec "$s" nginx -c "$st/nginx.conf" -p "$st" -e "$st/error.log"
    wait_http http://10.231.0.2/page.html "$c" || die "nginx did not start (see $st/error.log)"
    if command -v iperf3 >/dev/null; then
        ip netns exec "$s" iperf3 -s -D -B 10.231.0.2 -p 5201 --pidfile "$st/iperf3.pid" >/dev/null
        wait_tcp 10.231.0.2 5201 "$c" || die "the iperf3 server did not start"
    fi
    cat <<VARS
NETLAB_ID=$id
NETLAB_STATE=$st
NETLAB_CLIENT_NS=$c
NETLAB_SERVER_NS=$s
NETLAB_CLIENT_IP=10.231.0.1
NETLAB_SERVER_IP=10.231.0.2
NETLAB_URL=http://10.231.0.2/test.bin
NETLAB_RATE=$rate
NETLAB_RATE_BITS=$(rate_bits "$rate")
NETLAB_DELAY=$delay_note
VARS
}

# Makers' prefixes known to the IEEE list, and the list's name for each.
OUIS=(00:1A:11 3C:D9:2B 00:50:56 F0:18:98 00:E0:4C B8:27:EB 00:0C:29 00:1B:21 28:6E:D4 00:15:5D
      00:26:5A C8:3A:35 D8:BB:C1 E4:5F:01 00:1E:C2 00:1A:11 3C:D9:2B 00:E0:4C 28:6E:D4 00:15:5D)

vendor_of() {
    local mac=$1 first=$(( 16#${1:0:2} )) prefix
    if (( first & 2 )); then echo "随机地址(randomized)"; return; fi
    prefix=$(echo "${mac:0:8}" | tr ':' '-')
    local name
    name=$(grep -m1 "^$prefix *(hex)" /usr/share/ieee-data/oui.txt 2>/dev/null | sed 's/^.*(hex)[[:space:]]*//; s/[[:space:]]*$//' || true)
    echo "${name:-未知厂商}"
}

lan_up() {
    local id=$1; shift
    local hosts=30
    while (( $# )); do
        case $1 in
            --hosts) hosts=$2; shift 2 ;;
            *) die "unknown option $1" ;;
        esac
    done
    [[ $hosts =~ ^[0-9]+$ ]] && (( hosts >= 1 && hosts <= 60 )) || die "--hosts takes 1 to 60"
    local p sw me st i ns ip mac r
    p=$(ns_prefix "$id"); sw=$p-sw; me=$p-me; st=$(state_dir "$id")
    mkdir -p "$st"
    : > "$st/expected.txt"
    ip netns add "$sw"
    ip -n "$sw" link add br0 type bridge
    ip -n "$sw" link set br0 up
    ip netns add "$me"
    ip -n "$me" link set lo up
    ip -n "$sw" link add p0 type veth peer name eth0 netns "$me"
    ip -n "$sw" link set p0 master br0 up
    ip -n "$me" link set eth0 address 00:1b:21:aa:00:01
    ip -n "$me" addr add 10.232.0.1/24 dev eth0
    ip -n "$me" link set eth0 up
    for i in $(seq 1 "$hosts"); do
        ns=$p-h$i
        # Spread over the /24; the last host is the gateway at .254.
        if (( i == hosts )); then ip=10.232.0.254; else ip=10.232.0.$(( i * 4 + 2 )); fi
        if (( i % 3 == 0 )); then
            # Randomized: locally administered bit set, multicast bit clear.
            r=$(( (RANDOM & 0xFC) | 0x02 ))
            mac=$(printf '%02x:%02x:%02x:%02x:%02x:%02x' "$r" $((RANDOM & 255)) $((RANDOM & 255)) \
                  $((RANDOM & 255)) $((RANDOM & 255)) "$i")
        else
            mac=$(printf '%s:%02x:%02x:%02x' "${OUIS[$(( (i - 1) % ${#OUIS[@]} ))]}" $(( (i * 37) & 255 )) \
                  $(( (i * 11) & 255 )) "$i")
        fi
        ip netns add "$ns"
        ip -n "$sw" link add "p$i" type veth peer name eth0 netns "$ns"
        ip -n "$sw" link set "p$i" master br0 up
        ip -n "$ns" link set eth0 address "$mac"
        ip -n "$ns" addr add "$ip/24" dev eth0
        ip -n "$ns" link set eth0 up
        ip -n "$ns" link set lo up
        printf '%s %s %s\n' "$ip" "$(echo "$mac" | tr 'a-f:' 'A-F-')" "$(vendor_of "$mac")" >> "$st/expected.txt"
    done
    ip -n "$me" route add default via 10.232.0.254
    cat <<VARS
NETLAB_ID=$id
NETLAB_STATE=$st
NETLAB_SCAN_NS=$me
NETLAB_SCAN_IF=eth0
NETLAB_SCAN_IP=10.232.0.1
NETLAB_SCAN_MAC=00-1B-21-AA-00-01
NETLAB_GATEWAY=10.232.0.254
NETLAB_HOSTS=$hosts
NETLAB_EXPECTED=$st/expected.txt
VARS
}

# The names the home router's DNS server gives: the provider's servers and
# two of the LAN's devices (with their reverse names).
HOME_NAMES=(speed.zeva.test=10.231.0.2 fast.zeva.test=10.231.0.3 slow.zeva.test=10.231.0.4
            update.zeva.test=10.231.0.5)

home_up() {
    local id=$1; shift
    local rate=20mbit rtt=20 file_mb=256 hosts=12
    while (( $# )); do
        case $1 in
            --rate) rate=$2; shift 2 ;;
            --rtt-ms) rtt=$2; shift 2 ;;
            --file-mb) file_mb=$2; shift 2 ;;
            --hosts) hosts=$2; shift 2 ;;
            *) die "unknown option $1" ;;
        esac
    done
    [[ $rtt =~ ^[0-9]+$ && $file_mb =~ ^[0-9]+$ ]] || die "--rtt-ms and --file-mb take numbers"
    [[ $hosts =~ ^[0-9]+$ ]] && (( hosts >= 7 && hosts <= 60 )) || die "--hosts takes 7 to 60 in a home bed"
    rate_bits "$rate" >/dev/null
    command -v nginx >/dev/null || die "nginx is not installed"
    command -v dnsmasq >/dev/null || die "dnsmasq is not installed"
    local lan p gw s st
    lan=$(lan_up "$id" --hosts "$hosts")
    p=$(ns_prefix "$id"); gw=$p-h$hosts; s=$p-s; st=$(state_dir "$id")

    # The router: the LAN's gateway at .254, its line to the provider on wan0.
    ip netns add "$s"
    ip -n "$s" link set lo up
    ip -n "$gw" link add wan0 type veth peer name veth0 netns "$s"
    ip -n "$gw" addr add 10.231.0.1/24 dev wan0
    ip -n "$gw" link set wan0 up
    local a
    for a in 2 3 4 5; do ip -n "$s" addr add "10.231.0.$a/24" dev veth0; done
    ip -n "$s" link set veth0 up
    ip -n "$s" route add 10.232.0.0/24 via 10.231.0.1
    ip netns exec "$gw" sysctl -qw net.ipv4.ip_forward=1

    local delay_note
    delay_note=$(shape_line "$s" veth0 "$gw" wan0 "$rate" "$rtt")
    note "rate: tbf $rate applied in both directions of the router's line"

    # The provider's web servers: the speed-test file, a quick site, a slow
    # one (served at 24 KB/s), and the update server's folder.
    mkdir -p "$st/www" "$st/fast" "$st/slow" "$st/update" "$st/tmp"
    chmod 755 "$st/www" "$st/fast" "$st/slow" "$st/update"
    truncate -s "${file_mb}M" "$st/www/test.bin"
    head -c 100000 /dev/urandom > "$st/www/page.html"
    printf '<html><head><title>fast</title></head><body>%s</body></html>\n' "$(head -c 30000 /dev/zero | tr '\0' 'f')" > "$st/fast/index.html"
    printf '<html><head><title>slow</title></head><body>%s</body></html>\n' "$(head -c 60000 /dev/zero | tr '\0' 's')" > "$st/slow/index.html"
    nginx_conf "$st" "$st/access.log" "server { listen 10.231.0.2:80; root $st/www; }" \
        "server { listen 10.231.0.3:80; root $st/fast; }" \
        "server { listen 10.231.0.4:80; root $st/slow; limit_rate 24k; }" \
        "server { listen 10.231.0.5:80; root $st/update; }"
    ip netns exec "$s" nginx -c "$st/nginx.conf" -p "$st" -e "$st/error.log"
    for a in 2 3 4 5; do
        wait_http "http://10.231.0.$a/" "$s" || die "nginx did not start (see $st/error.log)"
    done
    if command -v iperf3 >/dev/null; then
        ip netns exec "$s" iperf3 -s -D -B 10.231.0.2 -p 5201 --pidfile "$st/iperf3.pid" >/dev/null
        wait_tcp 10.231.0.2 5201 "$s" || die "the iperf3 server did not start"
    fi

    # The router's DNS server: the provider's names, and names for two devices.
    local plug_ip=10.232.0.26 args=() n
    : > "$st/dns-names.txt"
    for n in "${HOME_NAMES[@]}"; do args+=("--address=/${n%%=*}/${n#*=}"); done
    args+=("--host-record=router.lan,10.232.0.254" "--host-record=smart-plug.lan,$plug_ip")
    printf '%s\n' "$plug_ip smart-plug.lan" "10.232.0.254 router.lan" > "$st/dns-names.txt"
    ip netns exec "$gw" dnsmasq --conf-file=/dev/null --no-resolv --no-hosts --user=root \
        --pid-file="$st/dnsmasq.pid" --listen-address=10.232.0.254 --bind-interfaces \
        --port=53 --local=/zeva.test/ --local=/lan/ "${args[@]}"
    # `ip netns exec` shows /etc/netns/NS/resolv.conf as the namespace's /etc/resolv.conf.
    mkdir -p "/etc/netns/$p-me"
    echo "nameserver 10.232.0.254" > "/etc/netns/$p-me/resolv.conf"
    wait_dns "${HOME_NAMES[0]%%=*}" 10.232.0.254 "$p-me" || die "the router's DNS server did not start"
    wait_dns router.lan 10.232.0.254 "$p-me" || die "the router's DNS server does not know the LAN"
    wait_http http://10.231.0.2/page.html "$p-me" || die "the provider cannot be reached through the router"

    cat <<VARS
$lan
NETLAB_CLIENT_NS=$p-me
NETLAB_CLIENT_IP=10.232.0.1
NETLAB_ROUTER_NS=$gw
NETLAB_SERVER_NS=$s
NETLAB_SERVER_IP=10.231.0.2
NETLAB_URL=http://10.231.0.2/test.bin
NETLAB_FAST_URL=http://fast.zeva.test/index.html
NETLAB_SLOW_URL=http://slow.zeva.test/index.html
NETLAB_UPDATE_HOST=update.zeva.test
NETLAB_UPDATE_IP=10.231.0.5
NETLAB_UPDATE_ROOT=$st/update
NETLAB_DNS=10.232.0.254
NETLAB_DNS_NAMES=$st/dns-names.txt
NETLAB_RATE=$rate
NETLAB_RATE_BITS=$(rate_bits "$rate")
NETLAB_DELAY=$delay_note
VARS
}

irtt_answers() { ip netns exec "$1" irtt client -Q -n "$2" >/dev/null 2>&1; }

# A line through a router whose tbf buffer is as deep as asked: the place
# where a loaded line queues. The hosts use reno, since a delay-based
# congestion control would keep the queue short and hide the buffer.
quality_up() {
    local id=$1; shift
    local rate=20mbit buffer=400 file_mb=1024
    while (( $# )); do
        case $1 in
            --rate) rate=$2; shift 2 ;;
            --buffer-ms) buffer=$2; shift 2 ;;
            --file-mb) file_mb=$2; shift 2 ;;
            *) die "unknown option $1" ;;
        esac
    done
    [[ $buffer =~ ^[0-9]+$ && $file_mb =~ ^[0-9]+$ ]] && (( buffer >= 1 )) ||
        die "--buffer-ms and --file-mb take numbers"
    local bits burst
    bits=$(rate_bits "$rate")
    command -v nginx >/dev/null || die "nginx is not installed"
    local p c r s st ns dev
    p=$(ns_prefix "$id"); c=$p-c; r=$p-r; s=$p-s; st=$(state_dir "$id")
    mkdir -p "$st/www" "$st/tmp"
    chmod 755 "$st" "$st/www"
    for ns in "$c" "$r" "$s"; do
        ip netns add "$ns"
        ip -n "$ns" link set lo up
        ip netns exec "$ns" sysctl -qw net.ipv4.tcp_congestion_control=reno
    done
    ip -n "$c" link add veth0 type veth peer name c0 netns "$r"
    ip -n "$s" link add veth0 type veth peer name s0 netns "$r"
    ip -n "$c" addr add 10.234.1.1/24 dev veth0
    ip -n "$r" addr add 10.234.1.254/24 dev c0
    ip -n "$r" addr add 10.234.2.254/24 dev s0
    ip -n "$s" addr add 10.234.2.1/24 dev veth0
    for ns in "$c" "$s"; do ip -n "$ns" link set veth0 up; done
    ip -n "$r" link set c0 up
    ip -n "$r" link set s0 up
    ip -n "$c" route add default via 10.234.1.254
    ip -n "$s" route add default via 10.234.2.254
    ip netns exec "$r" sysctl -qw net.ipv4.ip_forward=1
    # The router's two ways out: towards the client (download) and the server (upload).
    burst=$(( bits / 8 / 100 ))
    (( burst < 32768 )) && burst=32768
    for dev in c0 s0; do
        ip netns exec "$r" tc qdisc add dev "$dev" root tbf rate "$rate" burst "$burst" latency "${buffer}ms"
    done
    note "rate: tbf $rate with a ${buffer} ms buffer in both directions of the router"

    truncate -s "${file_mb}M" "$st/www/test.bin"
    nginx_conf "$st" off "server { listen 10.234.2.1:80; root $st/www;" \
        "    location = /upload { client_max_body_size 0; lingering_time 600s; return 204; }" "}"
    ip netns exec "$s" nginx -c "$st/nginx.conf" -p "$st" -e "$st/error.log"
    command -v iperf3 >/dev/null &&
        ip netns exec "$s" iperf3 -s -D -B 10.234.2.1 -p 5201 --pidfile "$st/iperf3.pid" >/dev/null
    if command -v irtt >/dev/null; then
        ip netns exec "$s" setsid irtt server -b 10.234.2.1:2112 >"$st/irtt.log" 2>&1 < /dev/null &
    fi
    # Wait until the servers answer from the client's side of the router.
    wait_http http://10.234.2.1/test.bin "$c" || die "nginx does not answer (see $st/error.log)"
    if command -v iperf3 >/dev/null; then wait_tcp 10.234.2.1 5201 "$c" || die "iperf3 does not answer"; fi
    if command -v irtt >/dev/null; then
        wait_until "the irtt server at 10.234.2.1:2112" irtt_answers "$c" 10.234.2.1:2112 ||
            die "irtt does not answer (see $st/irtt.log)"
    fi
    cat <<VARS
NETLAB_ID=$id
NETLAB_STATE=$st
NETLAB_CLIENT_NS=$c
NETLAB_ROUTER_NS=$r
NETLAB_SERVER_NS=$s
NETLAB_CLIENT_IP=10.234.1.1
NETLAB_SERVER_IP=10.234.2.1
NETLAB_URL=http://10.234.2.1/test.bin
NETLAB_UPLOAD_URL=http://10.234.2.1/upload
NETLAB_IRTT=10.234.2.1:2112
NETLAB_RATE=$rate
NETLAB_RATE_BITS=$bits
NETLAB_BUFFER_MS=$buffer
VARS
}

up() {
    local kind=$1 id=$2; shift 2
    check_id "$id"
    require_root
    [[ -z $(ip netns list | awk '{print $1}' | grep -E "^$(ns_prefix "$id")-" || true) ]] ||
        die "a bed with ID $id exists already (netlab.sh down $id)"
    # A failure half-way leaves nothing behind.
    trap 'down "$id"' EXIT
    case $kind in
        link) link_up "$id" "$@" ;;
        lan) lan_up "$id" "$@" ;;
        home) home_up "$id" "$@" ;;
        quality) quality_up "$id" "$@" ;;
        *) die "unknown bed $kind" ;;
    esac
    trap - EXIT
}

run() {
    local kind=$1; shift
    local opts=()
    while (( $# )) && [[ $1 != -- ]]; do opts+=("$1"); shift; done
    [[ ${1:-} == -- ]] || die "run needs -- COMMAND"
    shift
    (( $# )) || die "run needs a command"
    local id=${NETLAB_ID:-r$$}
    check_id "$id"
    trap 'down "$id"' EXIT
    trap 'exit 130' INT TERM
    local vars
    vars=$(up "$kind" "$id" "${opts[@]}") || exit 2
    while IFS= read -r line; do export "${line?}"; done <<< "$vars"
    set +e
    "$@"
    local rc=$?
    set -e
    exit "$rc"
}

case ${1:-} in
    link|lan|home|quality)
        [[ ${2:-} == up && -n ${3:-} ]] || die "usage: netlab.sh $1 up ID [options]"
        kind=$1; id=$3; shift 3
        up "$kind" "$id" "$@" ;;
    wait)
        shift
        wait_command "$@" ;;
    down)
        [[ -n ${2:-} ]] || die "usage: netlab.sh down ID"
        check_id "$2"; require_root; down "$2" ;;
    run)
        [[ -n ${2:-} ]] || die "usage: netlab.sh run link|lan|home|quality [options] -- COMMAND..."
        kind=$2; shift 2
        run "$kind" "$@" ;;
    -h|--help|"")
        sed -n '2,40p' "$0" | sed 's/^# \{0,1\}//' ;;
    *) die "unknown command $1" ;;
esac
