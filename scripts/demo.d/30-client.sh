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
tests/netlab/netlab.sh wait http "$client_url"
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

step "Speed-test servers, a speed result, work orders"
client_run GetSpeedConfigList 0571a88001234
client_run SetSpeedInfo --NetTypeId 8 --ResponseRate 11.8 --DialupType PPPoE --BTime "2026-12-07 10:00:00" \
    --CTime "2026-12-07 10:00:30" --FileVolume 104857600 --UserId 0571a88001234 --Type 1 --Version 2.1.0
client_run GetUserNameAndWorkListNum HZ0931 0571a88001234

step "What the back-office emulator received"
cat "$client_log"

step "Online-service emulator and an online-time report"
client_online_log="$demo/online-requests.jsonl"
client_online_portfile="$demo/online.port"
rm -f "$client_online_log" "$client_online_portfile"
"$bin/zeva-backoffice" --online --port 0 --port-file "$client_online_portfile" --log "$client_online_log" --quiet &
client_online_pid=$!
for _ in $(seq 1 100); do
    [ -s "$client_online_portfile" ] && break
    kill -0 "$client_online_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -s "$client_online_portfile" ]; then
    client_online_url="http://127.0.0.1:$(cat "$client_online_portfile")/KelvCC/BService.ws"
    tests/netlab/netlab.sh wait http "$client_online_url"
    echo "-- serving $client_online_url"
    echo "\$ zeva-client --online GetOwnService 0571a88001234"
    "$bin/zeva-client" --online --service "$client_online_url" GetOwnService 0571a88001234 2>&1 || true
    echo "\$ zeva-client --online SetUserOnlineLength 0571a88001234 0571a88001234 3600@2026-12-07T08:00 1800@2026-12-07T20:00"
    "$bin/zeva-client" --online --service "$client_online_url" \
        SetUserOnlineLength 0571a88001234 0571a88001234 3600@2026-12-07T08:00 1800@2026-12-07T20:00 2>&1 || true
    echo "-- what the online-service emulator received:"
    cat "$client_online_log"
else
    echo "zeva-backoffice --online did not start" >&2
fi

kill "$client_pid" "$client_online_pid" 2>/dev/null || true
wait "$client_pid" "$client_online_pid" 2>/dev/null || true
unset -f client_run
