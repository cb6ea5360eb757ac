#!/usr/bin/env bash
# The customer's day end to end on a built tree (root): the day must pass
# its own summary, leave every window's screenshot and remove its bed; with
# the back office failing the receipt's report the day must fail, say where,
# and still remove its bed.
#   check-day.sh <source dir> <build dir>
set -euo pipefail
src=$1 build=$2
if [[ $(id -u) -ne 0 ]] || ! command -v nginx >/dev/null || ! ip netns list >/dev/null 2>&1; then
    echo "customer's day: needs root, nginx and ip netns, skipped"
    exit 77
fi
work=$(mktemp -d /tmp/zeva-day-check.XXXXXX)
[[ -n ${E2E_KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
fail() { echo "check-day: $*" >&2; exit 1; }
beds() { ip netns list | awk '{print $1}' | grep -c "^zl-$1-" || true; }

id=cd$(( $$ % 100000 ))
NETLAB_ID=$id "$src/scripts/lib/customer-bed.sh" --day "$build/bin" "$work/good" --timeout 240 > "$work/good.txt" 2>&1 ||
    { cat "$work/good.txt" >&2; fail "the day failed"; }
(( $(beds "$id") == 0 )) || fail "the bed $id was left behind"
grep -q "FAILED" "$work/good.txt" && fail "a step failed: $(grep FAILED "$work/good.txt")"
(( $(grep -cE '^ *[0-9]+ ok ' "$work/good.txt") == 9 )) || { cat "$work/good.txt" >&2; fail "not every step of the summary is there"; }
for shot in host toolbox speedtest-landing speedtest-running speedtest-finished speedtest-help speedtest-report \
    sharenet webtest-idle webtest-finished webtest-report receipt-opened receipt-tested receipt-check \
    receipt-done languard-searching languard-finished host-restarted toolbox-after-update; do
    compgen -G "$work/good/shots/day-*-$shot.png" >/dev/null || fail "no screenshot of $shot"
done

id=cf$(( $$ % 100000 ))
rc=0
NETLAB_ID=$id "$src/scripts/lib/customer-bed.sh" --day "$build/bin" "$work/bad" --timeout 240 \
    --fault upFinish=http500 > "$work/bad.txt" 2>&1 || rc=$?
(( rc != 0 )) || fail "the day passed although the back office refused the receipt"
grep -q "the host's day ended with exit status 1" "$work/bad.txt" || { cat "$work/bad.txt" >&2; fail "the failure is not named"; }
grep -q "回单成功" "$work/bad.txt" || fail "the failed step is not shown: $(tail -3 "$work/bad.txt")"
(( $(beds "$id") == 0 )) || fail "the bed $id was left behind after the failure"
echo "customer's day: 9 steps passed, 19 screenshots; with the receipt refused the day fails at that step and the bed is removed"
