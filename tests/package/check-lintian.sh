#!/usr/bin/env bash
# Debian's own checker on the packages of a build tree: lintian may remark
# only on the application folder under /opt (dir-or-file-in-opt), which is
# deliberate for an add-on package of a vendor; any other error or warning
# fails with the tags listed (information tags are shown, not counted).
#   check-lintian.sh <build dir>
set -euo pipefail
build=$(cd "$1" && pwd)
fail() { echo "check-lintian: $*" >&2; exit 1; }
command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup installs it)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
mapfile -t debs < <(find "$work/out" -maxdepth 1 -name '*.deb' | sort)
(( ${#debs[@]} == 4 )) || fail "expected four packages, found ${#debs[@]}"

rc=0
# With --fail-on none a non-zero status means lintian itself failed.
lintian --fail-on none --display-info --no-cfg "${debs[@]}" >"$work/lintian.txt" 2>&1 || rc=$?
(( rc == 0 )) || { cat "$work/lintian.txt"; fail "lintian did not run (exit status $rc)"; }
# The application folder is remarked on, so lintian did look at the files.
grep -q '^E: zeva: dir-or-file-in-opt \[opt/zeva/ZEVAClient\]' "$work/lintian.txt" ||
    { cat "$work/lintian.txt"; fail "lintian did not remark on /opt/zeva: did it check the packages?"; }
info=$(grep -E '^I: ' "$work/lintian.txt" | awk '{print $3}' | sort | uniq -c | awk '{printf "%s%s x%s", sep, $2, $1; sep=", "}')
[[ -z $info ]] || echo "   information tags (not counted): $info"
tags=$(grep -E '^[EW]: ' "$work/lintian.txt" | grep -v ' dir-or-file-in-opt ' || true)
if [[ -n $tags ]]; then
    echo "$tags" | sed 's/^/   /' >&2
    fail "$(wc -l <<<"$tags") tags beside dir-or-file-in-opt: $(awk '{print $3}' <<<"$tags" | sort | uniq -c | sort -rn | awk '{printf "%s%s x%s", sep, $2, $1; sep=", "}')"
fi
echo "check-lintian: $(printf '%s ' "${debs[@]##*/}")- no errors or warnings beside dir-or-file-in-opt"
