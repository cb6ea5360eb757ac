# The back-office emulator on loopback and a short sequence of queries through
# zeva-client (the service client library), then what the emulator received.
step "Back-office emulator on loopback (zeva-backoffice)"
client_log="$demo/backoffice-requests.jsonl"
client_portfile="$demo/backoffice.port"
rm -f "$client_log" "$client_portfile"
# A free port rather than 16905, so a demo never collides with a running service.
"$bin/zeva-backoffice" --port 0 --port-file "$client_portfile" --log "$client_log" --quiet \
    --fault getDialUpHistoryUrl=http500 &
client_pid=$!
for _ in $(seq 1 100); do
    [ -s "$client_portfile" ] && break
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$client_portfile" ]; then
    kill "$client_pid" 2>/dev/null || true
    echo "zeva-backoffice did not start" >&2
    return 1
fi
client_url="http://127.0.0.1:$(cat "$client_portfile")/kelv/BService.ws"
echo "-- serving $client_url (getDialUpHistoryUrl is told to answer HTTP 500)"

client_run() {
    echo "\$ zeva-client $*"
    "$bin/zeva-client" --service "$client_url" --timeout 5 "$@" 2>&1 || echo "   (exit status $?)"
}

step "Queries through zeva-client"
client_run GetClientIp
client_run GetClientIpAccount
client_run GetCurrentAccount
client_run GetAccountStatus 0571a88001234
client_run GetAccountNetType 0571a88001234
client_run --json GetAccountCity 0571a88001234
client_run GetChangePasswordUrl 0571a88001234 zw123456
client_run GetDialUpHistoryUrl 0571a88001234

step "Cached values (UserData.dat, no network)"
client_run GetCurrentAccount --cached
client_run GetAccountNetType any --cached
client_run GetAccountCity any --cached

step "What the emulator received"
cat "$client_log"

kill "$client_pid" 2>/dev/null || true
wait "$client_pid" 2>/dev/null || true
unset -f client_run
