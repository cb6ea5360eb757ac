#!/bin/sh
# Fails when a Windows program or DLL holds a copy of its own of the message
# layer (queues, windows, the program clock) instead of importing it from
# the skin DLL: its posts and timers would never reach the model's windows.
# Usage: check-one-message-layer.sh <nm> <binary>
nm=$1
bin=$2
syms=$("$nm" "$bin") || exit 1
for s in _ZN4zeva12PumpMessagesEv _ZN4zeva8SetClockEPNS_5ClockE; do
    if printf '%s\n' "$syms" | grep -q " T $s\$" && ! printf '%s\n' "$syms" | grep -q " I __imp_$s\$"; then
        echo "$bin: holds its own message layer ($s): a static library linked before the skin DLL brought zeva_platform; list zeva::uiskin ahead of it" >&2
        exit 1
    fi
done
