# The speed-test plug-in in the host, inside a network namespace of the test
# bed (its analysis scans the local network): the emulator's default data,
# its test files served on the namespace's loopback; screenshots in
# docs/screenshots.
step "Speed test in the host inside a netlab namespace (screenshots in docs/screenshots)"
if [[ $(id -u) -eq 0 ]]; then
    E2E_DEFAULT_DATA=1 bash plugins/speedtest/e2e/download_in_bed.sh "$bin" build/release/app \
        --shots "$PWD/docs/screenshots" || echo "-- the speed test did not complete (exit status $?)"
    ls -l docs/screenshots/speedtest-*.png 2>/dev/null || true
else
    echo "-- needs root for network namespaces; skipped"
fi
