#!/usr/bin/env bash
# The Windows installer end to end under Wine, in a fresh copy of the Wine
# prefix: makes ZEVA-<version>-setup.exe from the build tree, and an "older
# release" of it with one more file; installs the older one silently into a
# folder with a Chinese name, and checks
#  - the folder holds exactly what the installer was made from (the install
#    tree without sdk/, stripped) with the same bytes, plus the settings (from
#    defaults\) and the uninstaller;
#  - "InstallPath" and "Version" under HKLM "SOFTWARE\Pelmo" in the 32-bit
#    view (where the programs read them), none in the 64-bit view;
#  - the Start-menu entry for ZEVAClient.exe (while the host is not built for
#    Windows: said and skipped, as is its --help);
#  - zeva-client.exe --help runs from the installed folder;
# then changes a setting and deletes a program, installs the current release
# silently without a folder (it goes where the registry says): the program is
# back, the older release's extra file gone, the setting kept; uninstalls
# silently: every installed file, the registry
# values, the Start-menu entry and the Uninstall key are gone, while the
# changed Config.dat and a file of the customer's stay.
# usage: check-windows-setup.sh BUILD_DIR WINE_RUN
set -euo pipefail
build=$(cd "$1" && pwd)
wine_run=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
src=$(cd "$(dirname "$0")/../.." && pwd)
template=${WINEPREFIX:-/var/cache/zeva/windows/wineprefix}
fail() { echo "check-windows-setup: FAIL: $*" >&2; exit 1; }
note() { echo "check-windows-setup: $*"; }
[ -d "$template" ] || fail "no Wine prefix $template to copy (scripts/windows test makes it)"

work=$(mktemp -d)
export WINEPREFIX=$work/prefix
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

make_setup() { "$src/scripts/windows.d/make-setup.sh" "$build" "$@" | tail -1; }
setup=$(make_setup "$work/out" --stage "$work/stage")
[ -f "$setup" ] || fail "make-setup.sh made no installer"
note "$(basename "$setup"): $(du -h "$setup" | cut -f1)"
echo "a tool the next release drops" > "$work/OldTool.dll"
older=$(make_setup "$work/older" --add "$work/OldTool.dll" --stage "$work/older-stage" --fast)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# The installers are made from the install tree without sdk/, the default
# settings moved into defaults/.
cmake --install "$build" --prefix "$work/tree" >/dev/null
rm -rf "$work/tree/sdk"
tree=$( (cd "$work/tree" && find . -type f -printf '%P\n' | sed -E 's#^(Config|UserConfig)\.dat$#defaults/&#') | sort)
[ "$tree" = "$(cd "$work/stage" && find . -type f -printf '%P\n' | sort)" ] ||
    fail "the installer is not made from the install tree: $(diff <(echo "$tree") <(cd "$work/stage" && find . -type f -printf '%P\n' | sort))"
# What an installer lays down: its folder, the live settings and the uninstaller.
laid_out() { (cd "$1" && find . -type f -printf '%P\n'; printf '%s\n' Config.dat UserConfig.dat Uninstall.exe) | sort; }
# same_bytes STAGE SKIP...: each installed file has the bytes it was made from.
same_bytes() {
    local stage=$1 f ref
    shift
    while IFS= read -r f; do
        case " $* Uninstall.exe " in *" $f "*) continue ;; esac
        ref=$stage/$f
        case $f in Config.dat|UserConfig.dat) ref=$stage/defaults/$f ;; esac
        cmp -s "$ref" "$folder/$f" || fail "$f differs from $ref"
    done < <(laid_out "$stage")
}

cp -a "$template" "$WINEPREFIX"
# No desktop entries in this machine's menus for the Start-menu link; the
# server lingers 5 s after the last program, so `wineserver -w` also waits
# for the uninstaller, which runs from a copy in %TEMP%.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset ZEVA_APP_DIR ZEVA_REGISTRY_DIR ZEVA_REGISTRY_KEY
wineserver -k 2>/dev/null || true
wineserver -p5
wine() { "$wine_run" "$@"; }
settle() { wineserver -w; wineserver -p5; }

folder_win='C:\软件\Pelmo'
folder=$WINEPREFIX/drive_c/软件/Pelmo
link=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Pelmo/Pelmo.lnk
have_client=0
[ -f "$work/tree/ZEVAClient.exe" ] && have_client=1

# The values of a view as "name=data" lines; nothing when the key is absent.
# reg.exe writes to a pipe in the console code page (936).
machine_values() {
    wine reg query 'HKLM\SOFTWARE\Pelmo' "$1" 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
        sed -n 's/^ *\([A-Za-z]*\) *REG_SZ *\(.*\)$/\1=\2/p' | sort
}

# --- silent install of the older release into a folder with a Chinese name
cp "$older" "$WINEPREFIX/drive_c/older.exe"
cp "$setup" "$WINEPREFIX/drive_c/setup.exe"
wine 'C:\older.exe' /S "/D=$folder_win" || fail "the silent install failed (exit $?)"
settle
[ -d "$folder" ] || fail "nothing installed in $folder"
expected=$(laid_out "$work/older-stage")
got=$(cd "$folder" && find . -type f -printf '%P\n' | sort)
[ "$got" = "$expected" ] || fail "installed files differ from the installer's:
$(diff <(echo "$expected") <(echo "$got") || true)"
same_bytes "$work/older-stage"
note "installed: $(wc -l <<<"$expected") files, $(du -sh "$folder" | cut -f1)"

values=$(machine_values /reg:32)
want=$(printf 'InstallPath=%s\\\nVersion=%s\n' "$folder_win" "$version")
[ "$values" = "$want" ] || fail "32-bit view of HKLM\\SOFTWARE\\Pelmo: got
$values
want
$want"
[ -z "$(machine_values /reg:64)" ] || fail "the values went to the 64-bit view too"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmo' /v QuietUninstallString \
    /reg:64 >/dev/null 2>&1 || fail "no Uninstall entry"

if ((have_client)); then
    [ -f "$link" ] || fail "no Start-menu entry $link"
    strings -a "$link" | grep -q 'ZEVAClient.exe' || fail "the Start-menu entry does not start ZEVAClient.exe"
    out=$(cd "$folder" && wine ./ZEVAClient.exe --help 2>&1) || fail "ZEVAClient.exe --help failed: $out"
    [ -n "$out" ] || fail "ZEVAClient.exe --help printed nothing"
else
    [ ! -e "$link" ] || fail "a Start-menu entry without ZEVAClient.exe"
    note "SKIPPED: ZEVAClient.exe is not in the Windows install tree yet: no Start-menu entry, no --help run"
fi
out=$(cd "$folder" && wine ./zeva-client.exe --help 2>&1) || fail "zeva-client.exe --help failed: $out"
grep -qi 'usage' <<<"$out" || fail "zeva-client.exe --help printed no usage: $out"

# --- the customer changes a setting and loses a program; a reinstall without /D
(cd "$folder" && wine ./zeva-cfg.exe set Config.dat Update ServerIP 192.0.2.7) || fail "zeva-cfg set failed"
cp "$folder/Config.dat" "$work/changed-Config.dat"
rm "$folder/zeva-client.exe"
echo "mine" >"$folder/notes.txt"
wine 'C:\setup.exe' /S || fail "the silent reinstall failed"
settle
[ -f "$folder/zeva-client.exe" ] || fail "the reinstall did not go to the folder in the registry (or did not restore zeva-client.exe)"
got=$(cd "$folder" && find . -type f -printf '%P\n' | sort)
want_files=$( { laid_out "$work/stage"; echo notes.txt; } | sort)
[ "$got" = "$want_files" ] || fail "after the reinstall (the older release's OldTool.dll must go):
$(diff <(echo "$want_files") <(echo "$got") || true)"
same_bytes "$work/stage" Config.dat
cmp -s "$folder/Config.dat" "$work/changed-Config.dat" || fail "the reinstall replaced the changed Config.dat"
got=$(cd "$folder" && wine ./zeva-cfg.exe get Config.dat Update ServerIP | tr -d '\r')
[ "$got" = 192.0.2.7 ] || fail "the changed setting reads '$got' after the reinstall"
[ "$(machine_values /reg:32)" = "$want" ] || fail "registry values after the reinstall: $(machine_values /reg:32)"

# --- silent uninstall
wine "$folder_win\\Uninstall.exe" /S || fail "the silent uninstall failed"
settle
left=$(cd "$folder" 2>/dev/null && find . -printf '%P\n' | sed '/^$/d' | sort)
[ "$left" = "$(printf 'Config.dat\nnotes.txt')" ] || fail "after the uninstall the folder holds:
$left
(want only the changed Config.dat and the customer's notes.txt)"
cmp -s "$folder/Config.dat" "$work/changed-Config.dat" || fail "the uninstall touched the changed Config.dat"
[ -z "$(machine_values /reg:32)" ] || fail "registry values left after the uninstall: $(machine_values /reg:32)"
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmo' /reg:64 >/dev/null 2>&1; then
    fail "the Uninstall entry is left"
fi
[ ! -e "$link" ] && [ ! -e "$(dirname "$link")" ] || fail "the Start-menu entry is left"
note "install, reinstall (setting kept) and uninstall (changed settings kept) passed"
