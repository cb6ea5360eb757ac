# time limit: 600 s
# The customer's day in one bed (root): the installation as the package lays
# it out, in a home LAN of twelve named devices behind a router with its own
# DNS server and a 20 Mbit/s line to the provider. The host opens the toolbox,
# which opens the speed test (download test, report, the shared-network
# window, the web-page test with an own address); the receipt closes a work
# order; the LAN check lists the devices; the toolbox brings the regional
# folder up to the province's new release; in the evening ZEVASilentUpdate
# installs a signed main release and starts the client again. Ends with a
# summary and the screenshots day-*.png.
step "The customer's day in a home bed (summary at the end; screenshots day-*.png)"
if can_make_bed; then
    scripts/lib/customer-bed.sh --day "$PWD/$bin" "$PWD/$demo/day" --timeout 300
    cp "$demo/day/shots"/day-*.png "$ZEVA_DEMO_SHOTS/"
else
    echo "skipped: needs root, nginx and network namespaces"
fi
