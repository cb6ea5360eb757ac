# The speed-test plug-in in the host, inside network namespaces of the test
# bed (its analysis scans the local network): once on a shaped 100 Mbit/s
# link (with screenshots), once with the emulator's default
# data, whose test files are served on the namespace's loopback.
step "Speed test in the host inside a netlab bed (screenshots)"
if [[ $(id -u) -eq 0 ]]; then
    bash plugins/speedtest/e2e/download_in_bed.sh "$bin" build/release/app --rate 100mbit \
        --shots "$ZEVA_DEMO_SHOTS" || echo "-- the shaped test did not pass (exit status $?)"
    E2E_DEFAULT_DATA=1 bash plugins/speedtest/e2e/download_in_bed.sh "$bin" build/release/app ||
        echo "-- the test with the default data did not complete (exit status $?)"
    ls -l "$ZEVA_DEMO_SHOTS"/speedtest-*.png 2>/dev/null || true
else
    echo "-- needs root for network namespaces; skipped"
fi
