#!/usr/bin/env bash
# Cross-builds the libraries the Windows build needs from their Debian
# sources into one prefix. A prefix is named after the source versions and
# this script's own digest, so a machine builds it once and a change of
# either builds a new one; a prefix is put in place only when complete.
#
#   deps.sh PREFIX_ROOT    prints the finished prefix on its last line
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${1:?usage: deps.sh PREFIX_ROOT}
triple=x86_64-w64-mingw32
jobs=$(nproc)
mkdir -p "$root"

say() { echo "windows deps: $*" >&2; }
fail() { say "$*"; exit 1; }

# A private apt configuration with the machine's own archives as deb-src
# entries: the machine's sources stay as they are.
apt_dir=$root/apt
setup_apt() {
    mkdir -p "$apt_dir"/{lists/partial,cache/archives/partial,sources.list.d}
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed -E 's/^Types:.*/Types: deb-src/' "$f" > "$apt_dir/sources.list.d/$(basename "$f")"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -nE 's/^deb[[:space:]]+/deb-src /p' /etc/apt/sources.list > "$apt_dir/sources.list"
    else
        : > "$apt_dir/sources.list"
    fi
    cat > "$apt_dir/apt.conf" <<CONF
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/sources.list.d";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
CONF
    export APT_CONFIG=$apt_dir/apt.conf
    # The lists are refreshed at most once a day.
    if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 2>/dev/null | head -1)" ]; then
        apt-get update -qq -o APT::Sandbox::User=root >&2 || fail "apt-get update of the source lists failed"
    fi
}

# The newest source version the archives offer.
source_version() {
    apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -1
}

# Fetches and unpacks one source package into DIR. The security archive may
# list a version whose .dsc it no longer serves: the main suite's is taken then.
fetch_source() {
    local pkg=$1 dir=$2 log=$3
    mkdir -p "$dir"
    (cd "$dir" && apt-get source -qq -o APT::Sandbox::User=root "$pkg" >>"$log" 2>&1) && return 0
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    say "$pkg: the newest source could not be fetched; trying $codename's"
    rm -rf "${dir:?}"/*
    (cd "$dir" && apt-get source -qq -o APT::Sandbox::User=root "$pkg/$codename" >>"$log" 2>&1) ||
        fail "$pkg: source package could not be fetched (log: $log)"
}

# The unpacked source tree of PKG inside DIR.
source_tree() { find "$1" -mindepth 1 -maxdepth 1 -type d -name "$2-*" | head -1; }

setup_apt
pkgs=(openssl curl c-ares gsoap cpp-httplib)
versions=""
for p in "${pkgs[@]}"; do
    v=$(source_version "$p")
    [ -n "$v" ] || fail "$p: no source package in the archives"
    versions+="$p=$v "
done
versions+="gtest=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo none) "
versions+="json=$(dpkg-query -W -f='${Version}' nlohmann-json3-dev 2>/dev/null || echo none) "
versions+="gcc=$($triple-g++-posix -dumpversion)"
key=$( (echo "$versions"; cat "$0") | sha256sum | cut -c1-16)
prefix=$root/prefix-$key
if [ -f "$prefix/.complete" ]; then
    say "reusing $prefix"
    echo "$prefix"
    exit 0
fi
say "building $versions"
say "into $prefix"

work=$root/work-$key
rm -rf "$work" "$prefix.partial"
mkdir -p "$work" "$prefix.partial"
stage=$prefix.partial
logs=$root/logs
mkdir -p "$logs"
export PATH=/usr/bin:/bin

step() { # name, then the command; its output goes to a log named after it
    local name=$1; shift
    local log=$logs/$name.log
    say "$name (log: $log)"
    local t0=$SECONDS
    if ! "$@" >"$log" 2>&1; then
        fail "$name failed to build; the log is $log"
    fi
    say "$name done in $((SECONDS - t0)) s"
}

build_openssl() {
    local src
    src=$(source_tree "$work/openssl" openssl)
    cd "$src"
    ./Configure mingw64 no-shared no-tests no-module no-dso --cross-compile-prefix=$triple- \
        --prefix="$stage" --libdir=lib --openssldir=C:/ZEVA/ssl
    make -j"$jobs" build_libs
    make install_dev
}

build_cares() {
    local src
    src=$(source_tree "$work/c-ares" c-ares)
    cmake -S "$src" -B "$work/c-ares-build" -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/toolchains/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$stage" -DCARES_STATIC=ON -DCARES_SHARED=OFF \
        -DCARES_BUILD_TOOLS=OFF -DCARES_BUILD_TESTS=OFF -DCARES_STATIC_PIC=ON
    cmake --build "$work/c-ares-build" -j"$jobs"
    cmake --install "$work/c-ares-build"
}

build_curl() {
    local src
    src=$(source_tree "$work/curl" curl)
    cd "$src"
    [ -x configure ] || autoreconf -fi
    ./configure --host=$triple --prefix="$stage" --disable-shared --enable-static --with-schannel \
        --without-ssl --without-libpsl --without-brotli --without-zstd --without-libidn2 --without-nghttp2 \
        --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps --disable-manual --disable-docs \
        --with-zlib=/usr/$triple CC=$triple-gcc-posix
    make -j"$jobs" -C lib
    make -C lib install
    make -C include install
    make install-pkgconfigDATA
}

build_gtest() {
    cmake -S /usr/src/googletest -B "$work/gtest-build" \
        -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/toolchains/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$stage" -Dgtest_disable_pthreads=OFF
    cmake --build "$work/gtest-build" -j"$jobs"
    cmake --install "$work/gtest-build"
}

# Header-only and source-only parts: cpp-httplib's header, the gSOAP runtime
# sources (compiled into each client library, whose callbacks it looks up)
# and nlohmann's JSON header.
install_sources() {
    local src
    src=$(source_tree "$work/cpp-httplib" cpp-httplib)
    install -D -m644 "$src/httplib.h" "$stage/include/httplib.h"
    src=$(source_tree "$work/gsoap" gsoap)
    mkdir -p "$stage/share/gsoap"
    cp -a "$src/gsoap/stdsoap2.cpp" "$src/gsoap/stdsoap2.h" "$src/gsoap/stdsoap2.c" "$src/gsoap/dom.cpp" \
        "$stage/share/gsoap/"
    cp -a "$src/gsoap/import" "$src/gsoap/custom" "$src/gsoap/plugin" "$stage/share/gsoap/" 2>/dev/null || true
    mkdir -p "$stage/include"
    cp -a /usr/include/nlohmann "$stage/include/"
}

for p in openssl c-ares curl cpp-httplib gsoap; do
    say "fetching $p"
    fetch_source "$p" "$work/$p" "$logs/fetch-$p.log"
done
step openssl build_openssl
step c-ares build_cares
step curl build_curl
step googletest build_gtest
step sources install_sources
echo "$versions" > "$stage/VERSIONS"
touch "$stage/.complete"
rm -rf "$prefix"
mv "$stage" "$prefix"
# OpenSSL's and curl's pkg-config and CMake files name the staging folder.
grep -rlI --exclude-dir=include "$stage" "$prefix" 2>/dev/null | xargs -r sed -i "s|$stage|$prefix|g"
rm -rf "$work"
say "complete: $prefix"
echo "$prefix"
