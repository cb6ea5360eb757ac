#!/usr/bin/env bash
# Every plug-in DLL takes the message layer, the clock and the window
# registry from the skin library's DLL, the host's own: a plug-in with a
# copy of its own would post into queues nobody pumps and read another clock.
# usage: check-shared-layer.sh DLL...
set -euo pipefail
nm=x86_64-w64-mingw32-nm
# The layer's entry points (mangled as the Itanium ABI of MinGW's g++ names them).
symbols=(
    _ZN4zeva11PostMessageEP6HWND__jyx          # zeva::PostMessage
    _ZN4zeva11SendMessageEP6HWND__jyx          # zeva::SendMessage
    _ZN4zeva8SetTimerEP6HWND__yj               # zeva::SetTimer
    _ZN4zeva8GetClockEv                        # zeva::GetClock
    _ZN4zeva18FindProcessWindowAEPKc           # zeva::FindProcessWindowA
)
checked=0
for dll in "$@"; do
    defined=$($nm "$dll" | awk '{print $NF}')
    for s in "${symbols[@]}"; do
        grep -qx "$s" <<<"$defined" || continue
        grep -qx "__imp_$s" <<<"$defined" ||
            { echo "check-shared-layer: $(basename "$dll") holds its own $s" >&2; exit 1; }
        checked=$((checked + 1))
    done
done
[ "$checked" -gt 0 ] || { echo "check-shared-layer: none of the layer's entry points is used" >&2; exit 1; }
echo "check-shared-layer: $# modules, $checked imports of the shared layer"
