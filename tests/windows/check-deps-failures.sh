#!/usr/bin/env bash
# The Windows dependency build facing a source that cannot be fetched and one
# that fails to build, with stand-in apt tools (no network): each stops the
# build naming the package and its log, leaves no part behind, and a second
# run fails the same way instead of reusing anything half-built.
# usage: check-deps-failures.sh SOURCE_DIR
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check-deps-failures: $*" >&2; exit 1; }

mkdir -p "$tmp/bin"
cat > "$tmp/bin/apt-cache" <<'SH'
#!/bin/sh
[ "$1" = showsrc ] && printf 'Package: %s\nVersion: 9.9-1\n' "$2"
exit 0
SH
# "source" unpacks a tree without a build system, or fails when asked to.
cat > "$tmp/bin/apt-get" <<'SH'
#!/bin/sh
case "$*" in
    *update*) exit 0 ;;
    *source*)
        [ "${ZEVA_FAKE_FETCH:-}" = fail ] && { echo "E: Unable to find a source package" >&2; exit 100; }
        for last; do :; done
        pkg=${last%%/*}
        mkdir -p "$pkg-9.9" && : > "${pkg}_9.9-1.dsc"
        exit 0 ;;
esac
exit 1
SH
chmod +x "$tmp/bin/apt-cache" "$tmp/bin/apt-get"

run() { # cache-dir: the script's status; its messages in $tmp/out
    PATH=$tmp/bin:$PATH "$src/scripts/windows.d/deps.sh" "$1" >"$tmp/out" 2>&1
}

# A source that cannot be fetched.
if ZEVA_FAKE_FETCH=fail run "$tmp/cache-fetch"; then fail "an unfetchable source was reported as success"; fi
grep -q "openssl: source package could not be fetched (log: $tmp/cache-fetch/logs/fetch-openssl.log)" "$tmp/out" ||
    fail "the fetch failure does not name the package and its log: $(cat "$tmp/out")"
[ -f "$tmp/cache-fetch/logs/fetch-openssl.log" ] || fail "the named fetch log does not exist"
[ -z "$(ls -A "$tmp/cache-fetch/sources" | grep -v '\.use$' || true)" ] || fail "a failed fetch left a source folder"

# A source that fails to build, twice.
for round in 1 2; do
    if run "$tmp/cache-build"; then fail "round $round: a failed build was reported as success"; fi
    grep -q "openssl failed to build; the log is $tmp/cache-build/logs/openssl.log" "$tmp/out" ||
        fail "round $round: the build failure does not name the package and its log: $(cat "$tmp/out")"
    [ -s "$tmp/cache-build/logs/openssl.log" ] || fail "round $round: the named build log is empty"
    [ -z "$(ls -A "$tmp/cache-build/parts")" ] || fail "round $round: a failed build left a part: $(ls "$tmp/cache-build/parts")"
    ls "$tmp/cache-build" | grep -q '^prefix-' && fail "round $round: a prefix was made from a failed build"
done
echo "check-deps-failures: fetch and build failures are named with their logs and leave nothing to reuse"
