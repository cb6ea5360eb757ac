#!/usr/bin/env bash
# Installs a Windows build tree into a fresh folder and checks it as the
# customers' machines will see it:
#  - every DLL an .exe or .dll imports is in the folder or is one of Windows'
#    own (those Wine provides);
#  - every C++ module imports the one shared libstdc++-6.dll (none carries a
#    static copy that would give a process two runtimes);
#  - the default settings are there;
#  - each command-line tool answers --help from the folder alone.
# usage: check-windows-install.sh BUILD_DIR WINE_RUN
set -euo pipefail
build=$1
wine_run=$2
objdump=x86_64-w64-mingw32-objdump
system_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fail() { echo "check-windows-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$folder" >/dev/null
[ -f "$folder/libstdc++-6.dll" ] || fail "libstdc++-6.dll is not installed"
[ -f "$folder/Config.dat" ] && [ -f "$folder/UserConfig.dat" ] || fail "default settings missing"

modules=$(find "$folder" -maxdepth 1 \( -name '*.exe' -o -name '*.dll' \) | sort)
checked=0
for module in $modules; do
    name=$(basename "$module")
    imports=$($objdump -p "$module" | sed -n 's/^[[:space:]]*DLL Name: //p')
    for dll in $imports; do
        lower=${dll,,}
        if [ -e "$folder/$dll" ] || ls "$folder" | grep -qix "$dll"; then continue; fi
        [ -e "$system_dlls/$lower" ] || fail "$name imports $dll, which is neither installed nor part of Windows"
    done
    # A module with C++ code and no libstdc++ import carries its own copy.
    case "$name" in
        libstdc++-6.dll|libgcc_s_seh-1.dll|libwinpthread-1.dll) ;;
        *)
            if $objdump -t "$module" 2>/dev/null | grep -q '__cxa_throw\|_ZSt9terminatev'; then
                grep -qi 'libstdc++-6.dll' <<<"$imports" || fail "$name links the C++ runtime statically"
            fi
            ;;
    esac
    checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || fail "nothing installed"

for tool in zeva-cfg zeva-client zeva-publish zeva-netprobe zeva-backoffice ZEVASilentUpdate; do
    [ -f "$folder/$tool.exe" ] || continue
    [ "$tool" = ZEVASilentUpdate ] && continue  # no --help: it updates at once
    out=$(cd "$folder" && "$wine_run" "./$tool.exe" --help 2>&1) || fail "$tool.exe --help failed: $out"
    [ -n "$out" ] || fail "$tool.exe --help printed nothing"
done
echo "check-windows-install: $checked modules in $(basename "$folder") checked"
