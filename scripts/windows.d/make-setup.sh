#!/usr/bin/env bash
# Makes the Windows installer ZEVA-<version>-setup.exe from a built Windows
# tree: installs it into a staging folder (cmake --install, without sdk/),
# strips the programs and DLLs of their symbols (the MinGW runtime's debug
# information alone is 20 MB), moves the default settings into defaults/,
# lists every file for the
# installer and its uninstaller, and runs Debian's makensis on
# cmake/package/windows/setup.nsi. The version is the project's (the top
# CMakeLists.txt, as the Debian package takes it).
# usage: make-setup.sh BUILD_DIR OUT_DIR [--add FILE]... [--stage DIR] [--fast]
#   prints the installer's path last; --add puts FILE into the installed
#   folder too (the tests make an "older release" with a file the next lacks);
#   --stage keeps the folder the installer was made from in DIR; --fast
#   compresses quickly (zlib) rather than small (solid LZMA)
set -euo pipefail
usage="usage: make-setup.sh BUILD_DIR OUT_DIR [--add FILE]... [--stage DIR] [--fast]"
[ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
shift 2
fail() { echo "make-setup: $*" >&2; exit 1; }
added=()
keep=""
fast=0
while [ $# -gt 0 ]; do
    case $1 in
        --add) [ -f "${2:-}" ] || fail "--add needs a file"; added+=("$(realpath "$2")"); shift 2 ;;
        --stage) [ -n "${2:-}" ] || fail "--stage needs a folder"; keep=$2; shift 2 ;;
        --fast) fast=1; shift ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
done
command -v makensis >/dev/null || fail "makensis is missing (Debian package nsis: scripts/windows build installs it)"
strip=x86_64-w64-mingw32-strip
command -v $strip >/dev/null || fail "$strip is missing (binutils-mingw-w64-x86-64)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ $version =~ ^[0-9]+(\.[0-9]+){1,3}$ ]] || fail "no project version in $build/CMakeCache.txt (got '$version')"
# The version resource wants four numbers.
vi_version=$version
while [[ $(tr -cd . <<<"$vi_version" | wc -c) -lt 3 ]]; do vi_version+=.0; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
cmake --install "$build" --prefix "$stage" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install $build failed"; }
rm -rf "$stage/sdk"
find "$stage" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 |
    xargs -0 -r $strip --strip-unneeded || fail "stripping the programs failed"
for f in "${added[@]}"; do cp "$f" "$stage/"; done
mkdir -p "$stage/defaults"
for f in Config.dat UserConfig.dat; do
    [ -f "$stage/$f" ] || fail "the install tree has no default $f (is zeva_default_settings built?)"
    mv "$stage/$f" "$stage/defaults/$f"
done
# Anything installed outside the prefix (an absolute destination) would be missing here.
[ -n "$(find "$stage" -maxdepth 1 -name '*.exe' -print -quit)" ] || fail "no program in the install tree of $build"

# NSIS strings: a "$" is written "$$"; destinations take Windows separators.
nsis_text() { sed 's/\$/$$/g' <<<"$1"; }
files=$work/files.nsh
unfiles=$work/unfiles.nsh
: >"$files"
: >"$unfiles"
count=0
while IFS= read -r -d '' dir; do
    rel=${dir#"$stage"}
    rel=${rel#/}
    win=$(nsis_text "${rel//\//\\}")
    dest='$INSTDIR'${win:+\\$win}
    printf 'SetOutPath "%s"\n' "$dest" >>"$files"
    while IFS= read -r -d '' file; do
        name=$(basename "$file")
        printf 'File "%s"\n' "$(nsis_text "$file")" >>"$files"
        printf 'Delete "%s\\%s"\n' "$dest" "$(nsis_text "$name")" >>"$unfiles"
        count=$((count + 1))
    done < <(find "$dir" -mindepth 1 -maxdepth 1 -type f -print0 | sort -z)
done < <(find "$stage" -type d -print0 | sort -z)
# Folders deepest first; RMDir leaves a folder that still holds the customer's files.
find "$stage" -mindepth 1 -type d -printf '%P\n' | sort -r | while IFS= read -r rel; do
    printf 'RMDir "$INSTDIR\\%s"\n' "$(nsis_text "${rel//\//\\}")" >>"$unfiles"
done
printf 'SetOutPath "$INSTDIR"\n' >>"$files"

defines=(-DVERSION="$version" -DVI_VERSION="$vi_version" -DOUTFILE="$out/ZEVA-$version-setup.exe"
         -DFILES="$files" -DUNFILES="$unfiles" -DSIZE_KB="$(du -sk "$stage" | cut -f1)")
[ -f "$stage/ZEVAClient.exe" ] && defines+=(-DHAVE_CLIENT)
[ "$fast" = 1 ] && defines+=(-DFAST)
makensis -V2 -INPUTCHARSET UTF8 "${defines[@]}" "$src/cmake/package/windows/setup.nsi" >"$work/makensis.log" 2>&1 ||
    { cat "$work/makensis.log" >&2; fail "makensis failed"; }
size=$(du -sh "$stage" | cut -f1)
if [ -n "$keep" ]; then
    rm -rf "$keep"
    mv "$stage" "$keep"
fi
echo "make-setup: $count files, $size installed, installer $(du -h "$out/ZEVA-$version-setup.exe" | cut -f1)" >&2
echo "$out/ZEVA-$version-setup.exe"
