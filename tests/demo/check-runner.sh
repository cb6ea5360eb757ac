#!/usr/bin/env bash
# The demo's step runner in a scratch copy of the tree, with set-up and build
# stubbed out: helpers reach every step, a failing command is named with its
# line, a step over its time limit is named and stops the demo, a bed the
# step made is removed, and a signal to the demo ends the step and its bed.
#   check-runner.sh <source dir>
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-runner: $*" >&2; exit 1; }

mkdir -p "$work/tree/scripts/demo.d" "$work/tree/tests" "$work/stub"
cp "$src/scripts/demo" "$work/tree/scripts/"
cp -r "$src/scripts/lib" "$work/tree/scripts/"
cp -r "$src/tests/netlab" "$work/tree/tests/"
printf '#!/bin/sh\nexit 0\n' > "$work/tree/scripts/setup"
printf '#!/bin/sh\nexit 0\n' > "$work/stub/cmake"
chmod +x "$work/tree/scripts/setup" "$work/stub/cmake"
parts=$work/tree/scripts/demo.d
demo() { PATH="$work/stub:$PATH" "$work/tree/scripts/demo" "$@" >"$work/out.txt" 2>&1; }

cat > "$parts/10-first.sh" <<'PART'
step "first"
update_free_port > "$demo/port.txt"
echo "$bin" > "$demo/bin.txt"
echo picture > "$ZEVA_DEMO_SHOTS/first.png"
PART
cat > "$parts/20-second.sh" <<'PART'
step "the failing one"
true
false
echo never > "$demo/never.txt"
PART
cat > "$parts/30-third.sh" <<'PART'
step "never reached"
touch "$demo/third.txt"
PART
rc=0; demo || rc=$?
(( rc == 1 )) || { cat "$work/out.txt"; fail "a failed step gave exit status $rc"; }
grep -q 'step "the failing one" (scripts/demo.d/20-second.sh) failed at line 3: "false" exited with status 1' \
    "$work/out.txt" || { cat "$work/out.txt"; fail "the failure is not named"; }
[[ -s $work/tree/build/demo/port.txt && $(cat "$work/tree/build/demo/bin.txt") == build/release/bin ]] ||
    fail "the first step lacked the helpers or variables"
[[ -s $work/tree/build/demo/screenshots/first.png && ! -e $work/tree/docs ]] ||
    fail "a step's picture did not go to build/demo/screenshots"
[[ ! -e $work/tree/build/demo/never.txt && ! -e $work/tree/build/demo/third.txt ]] || fail "the demo went on after a failure"
grep -q 'ok .* 10-first.sh' "$work/out.txt" && grep -q 'FAILED .* 20-second.sh' "$work/out.txt" ||
    fail "the summary does not list the steps"

rm "$parts"/*.sh
cat > "$parts/10-slow.sh" <<'PART'
# time limit: 2 s
step "sleeping"
sleep 30 &
wait
PART
start=$SECONDS rc=0; demo || rc=$?
(( rc == 1 && SECONDS - start < 20 )) || fail "an overrunning step gave $rc after $((SECONDS - start)) s"
grep -q 'step "sleeping" (scripts/demo.d/10-slow.sh) did not finish within its time limit of 2 s' "$work/out.txt" ||
    { cat "$work/out.txt"; fail "the overrun is not named"; }

if [[ $(id -u) -ne 0 ]] || ! command -v nginx >/dev/null; then
    echo "check-runner: beds skipped (needs root and nginx)"
    exit 0
fi
bed_count() { ip netns list | awk '{print $1}' | grep -c "^zl-$1-" || true; }
cat > "$parts/10-slow.sh" <<'PART'
# time limit: 3 s
step "a bed that hangs"
tests/netlab/netlab.sh run link --rate 10mbit --file-mb 1 -- bash -c 'echo "$NETLAB_ID" > "$demo/bed.txt"; sleep 60'
PART
rc=0; demo || rc=$?
id=$(cat "$work/tree/build/demo/bed.txt" 2>/dev/null) || fail "the bed did not come up: $(cat "$work/out.txt")"
(( rc == 1 )) || fail "an overrunning bed step gave $rc"
(( $(bed_count "$id") == 0 )) || fail "bed $id is left after its step overran"

sed -i 's/time limit: 3 s/time limit: 120 s/' "$parts/10-slow.sh"
rm -f "$work/tree/build/demo/bed.txt"
PATH="$work/stub:$PATH" "$work/tree/scripts/demo" >"$work/out.txt" 2>&1 &
pid=$!
for _ in $(seq 100); do [[ -s $work/tree/build/demo/bed.txt ]] && break; sleep 0.1; done
id=$(cat "$work/tree/build/demo/bed.txt" 2>/dev/null) || fail "the bed did not come up"
(( $(bed_count "$id") > 0 )) || fail "bed $id is not there while its step runs"
kill -TERM "$pid"
rc=0; wait "$pid" || rc=$?
(( rc == 130 )) || fail "a terminated demo gave $rc"
(( $(bed_count "$id") == 0 )) || fail "bed $id is left after the demo was terminated"
echo "check-runner: ok"
