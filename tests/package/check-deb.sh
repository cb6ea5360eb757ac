#!/usr/bin/env bash
# Builds the Debian packages of a build tree (zeva, the two client library
# packages and their -dev package), installs them into a fresh root with dpkg
# (maintainer scripts run against that root) and checks them there: contents
# and links, package dependencies, library search paths, the programs, the
# default settings, manual pages, the shipped examples and a
# find_package/pkg-config consumer.
#   check-deb.sh <build dir> <client/tests/package> [compiler flags of the tree]
set -euo pipefail
build=$(cd "$1" && pwd) consumer=$(cd "$2" && pwd) flags=${3:-}
work=$(mktemp -d)
# dpkg looks for ldconfig and start-stop-daemon on the PATH.
export PATH="$PATH:/usr/sbin:/sbin"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-deb: $*" >&2; exit 1; }

echo "-- cpack -G DEB"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
mapfile -t debs < <(find "$work/out" -maxdepth 1 -name '*.deb' | sort)
names=$(for d in "${debs[@]}"; do dpkg-deb -f "$d" Package; done | sort | tr '\n' ' ')
[[ $names == "libezevaclientintf0 libzevaclientintf-dev libzevaclientintf0 zeva " ]] ||
    fail "expected the packages zeva, libzevaclientintf0, libezevaclientintf0, libzevaclientintf-dev; found: $names"
for d in "${debs[@]}"; do echo "-- $(basename "$d"): $(du -h "$d" | cut -f1)"; done
deb=$(printf '%s\n' "${debs[@]}" | grep '/zeva_')

depends=$(dpkg-deb -f "$deb" Depends)
echo "-- Depends: $depends"
for dep in libc6 libqt6widgets6 libcurl4 fontconfig fonts-arphic-uming libzevaclientintf0 libezevaclientintf0; do
    grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep"
done
# The library packages: their soname, a shlibs file and the loader's trigger.
for lib in ZEVAClientIntf eZEVAClientIntf; do
    pkg=$(tr 'A-Z' 'a-z' <<<"lib${lib}0")
    ldeb=$(printf '%s\n' "${debs[@]}" | grep "/${pkg}_")
    dpkg-deb -c "$ldeb" | grep -q "lib$lib\.so\.0\$\|lib$lib\.so\.0 ->" || fail "$pkg lacks lib$lib.so.0"
    dpkg-deb -c "$ldeb" | grep -q "lib$lib\.so\$\|lib$lib\.so ->" && fail "$pkg holds the development link lib$lib.so"
    mkdir -p "$work/ctl-$pkg"
    dpkg-deb -e "$ldeb" "$work/ctl-$pkg"
    grep -q "^lib$lib 0 $pkg (>= " "$work/ctl-$pkg/shlibs" || fail "$pkg has no shlibs line: $(cat "$work/ctl-$pkg/shlibs" 2>/dev/null)"
    grep -q 'ldconfig' "$work/ctl-$pkg/triggers" || fail "$pkg has no ldconfig trigger"
done

# A fresh root: an empty dpkg database, scripts run outside a chroot with DPKG_ROOT.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
install_deb() {
    dpkg --root="$root" --log="$work/dpkg.log" --force-depends --force-not-root --force-script-chrootless \
        -i "${debs[@]}" >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out"; fail "dpkg -i failed"; }
}
install_deb
dpkg-query --root="$root" -W -f='${Status}\n' zeva | grep -q 'install ok installed' || fail "zeva is not installed"

app=$root/opt/zeva
for f in ZEVAClient ZEVAUpdate ZEVASilentUpdate zeva-cfg zeva-client zeva-publish zeva-netprobe zeva-backoffice; do
    [[ -x $app/$f ]] || fail "/opt/zeva/$f is missing"
done
for f in lib/libzeva_uiskin.so fonts/zeva-fonts.conf Config.dat UserConfig.dat \
         usr/include/ZEVAClientIntf.h usr/include/eZEVAClientIntf.h; do
    case $f in usr/*) p=$root/$f ;; *) p=$app/$f ;; esac
    [[ -f $p ]] || fail "${p#"$root"} is missing"
done
# Every plug-in of the build tree, whatever it is called.
plugins=0
for so in "$build"/app/plug/*.so "$build"/app/ProvincePlug/*.so; do
    [[ -e $so ]] || continue
    rel=${so#"$build/app/"}
    [[ -f $app/$rel ]] || fail "/opt/zeva/$rel is missing"
    plugins=$((plugins + 1))
done
(( plugins > 0 )) || fail "no plug-in in the build tree"
echo "-- /opt/zeva holds the programs, $plugins plug-ins, the skin library, font map and settings"

for cli in zeva-cfg zeva-client zeva-publish zeva-netprobe zeva-backoffice; do
    [[ $(readlink "$root/usr/bin/$cli") == "/opt/zeva/$cli" ]] || fail "/usr/bin/$cli does not point to /opt/zeva/$cli"
done

libdir=$(dirname "$(find "$root/usr" -name 'libZEVAClientIntf.so' | head -1)")
[[ -f $libdir/pkgconfig/ZEVAClientIntf.pc && -f $libdir/pkgconfig/eZEVAClientIntf.pc ]] || fail "pkg-config files missing"
[[ -f $libdir/cmake/ZEVAClientIntf/ZEVAClientIntfConfig.cmake && -f $libdir/cmake/eZEVAClientIntf/eZEVAClientIntfConfig.cmake ]] ||
    fail "CMake package files missing"

# No installed file may look into the build tree for its libraries.
while IFS= read -r elf; do
    if readelf -d "$elf" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -q "$build"; then
        fail "${elf#"$root"} searches the build tree: $(readelf -d "$elf" | grep -E 'R(UN)?PATH')"
    fi
done < <(find "$root/opt" "$root/usr" -type f \( -perm -u+x -o -name '*.so*' \))

# The loader as on an installed system: the system library folder is
# $libdir, the skin library must come from the programs' own search path.
run() { env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$libdir" "$@"; }
for elf in "$app/ZEVAClient" "$app/ZEVAUpdate" "$app"/plug/*.so "$app"/ProvincePlug/*.so; do
    [[ -e $elf ]] || continue
    libs=$(run ldd "$elf")
    if grep -q 'not found' <<<"$libs"; then fail "${elf#"$root"}: $(grep 'not found' <<<"$libs" | head -3)"; fi
    skin=$(awk '/libzeva_uiskin.so =>/ {print $3}' <<<"$libs")
    if [[ -n $skin && $(realpath "$skin") != "$app/lib/libzeva_uiskin.so" ]]; then
        fail "${elf#"$root"} takes the skin library from $skin"
    fi
done

run "$app/ZEVAClient" --help >"$work/host-help.txt" 2>&1 || { cat "$work/host-help.txt"; fail "ZEVAClient --help failed"; }
grep -q -- '--script' "$work/host-help.txt" || fail "ZEVAClient --help does not describe its options"
run "$app/zeva-client" --help >"$work/client-help.txt" 2>&1 || { cat "$work/client-help.txt"; fail "zeva-client --help failed"; }
grep -q 'GetClientIp' "$work/client-help.txt" || fail "zeva-client --help does not list the operations"
echo "-- ZEVAClient --help and zeva-client --help run from the installed root"

# The default settings: every key of the register in place, and a reinstall
# keeps what an installer changed.
cfg() { run "$app/zeva-cfg" "$@"; }
[[ $(cfg get "$app/UserConfig.dat" Server UseProxy) == 1 ]] || fail "UserConfig.dat lacks UseProxy=1"
[[ $(cfg get "$app/Config.dat" Update ServerPort) == 0 ]] || fail "Config.dat lacks ServerPort=0"
for key in Version Region ServerIP ServerPort ServerIP2 ServerPort2 PublicKey WebSiteURL ServiceURL; do
    cfg dump "$app/Config.dat" | grep -q "^$key=" || fail "Config.dat lacks $key"
done
cfg set "$app/Config.dat" Update Version 2.3.4
install_deb
[[ $(cfg get "$app/Config.dat" Update Version) == 2.3.4 ]] || fail "a reinstall replaced the installer's Config.dat"
echo "-- default settings in place; a reinstall keeps the installer's values"

# A manual page for every command on the PATH, and the examples an installer
# copies from import as they are.
for cli in zeva-cfg zeva-client zeva-publish zeva-netprobe zeva-backoffice ZEVASilentUpdate; do
    page=$root/usr/share/man/man1/$cli.1.gz
    [[ -f $page ]] || fail "no manual page ${page#"$root"}"
    zcat "$page" | grep -q '^\.SH SYNOPSIS\|^\.SH DESCRIPTION' || fail "${page#"$root"} has no synopsis or description"
done
examples=$root/usr/share/doc/zeva/examples
for ex in Config SpeedTest PlugConfig ProvincePlugConfig ad; do
    [[ -f $examples/$ex.ini ]] || fail "no example $ex.ini"
    cfg import "$work/example-$ex.dat" < "$examples/$ex.ini" 2>"$work/import.txt" ||
        fail "the example $ex.ini does not import: $(cat "$work/import.txt")"
done
[[ $(cfg get "$work/example-SpeedTest.dat" Area 杭州) == 杭州地区 ]] || fail "SpeedTest.ini lost its Area"
[[ $(cfg get "$work/example-PlugConfig.dat" 防蹭网检测 NormalImage) == 'plug\icons\ZEVAPlug_AntiPilferNet-normal.png' ]] ||
    fail "PlugConfig.ini lost its images"
echo "-- manual pages in place; the shipped examples import"

# A consumer of the installed library, found through CMake and pkg-config.
export ZEVA_APP_DIR=$work/consumer-app
mkdir -p "$ZEVA_APP_DIR"
cmake -S "$consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root/usr" -DPACKAGE=ZEVAClientIntf \
    -DHOST_SOURCE="$consumer/host.cpp" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
    -DCMAKE_BUILD_RPATH="$libdir" >"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "find_package(ZEVAClientIntf) failed"; }
cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "the consumer does not build"; }
"$work/consumer/host"
# shellcheck disable=SC2046,SC2086
g++ -std=c++20 $flags "$consumer/host.cpp" -o "$work/host-pc" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs ZEVAClientIntf) -Wl,-rpath,"$libdir"
"$work/host-pc"

dpkg --root="$root" --log="$work/dpkg.log" --force-script-chrootless --force-not-root --force-depends \
    --purge zeva libzevaclientintf-dev libzevaclientintf0 libezevaclientintf0 >"$work/dpkg.out" 2>&1 ||
    { cat "$work/dpkg.out"; fail "dpkg --purge failed"; }
[[ ! -e $app ]] || fail "/opt/zeva is left after a purge: $(find "$app" | head -5)"
echo "-- purge removes /opt/zeva"
echo "check-deb: package ok"
