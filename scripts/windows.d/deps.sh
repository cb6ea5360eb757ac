#!/usr/bin/env bash
# Cross-builds the libraries the Windows build needs from their Debian
# sources. Each library is built once into a part of its own, named after its
# source version and its recipe below, and put in place only when complete;
# the prefix the build uses joins the parts.
#
#   deps.sh CACHE_DIR    prints the finished prefix on its last line
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${1:?usage: deps.sh CACHE_DIR}
triple=x86_64-w64-mingw32
toolchain=$here/../../cmake/toolchains/mingw-w64.cmake
jobs=$(nproc)
mkdir -p "$root"/{parts,logs,sources}
logs=$root/logs

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
APT::Sandbox::User "root";
CONF
    export APT_CONFIG=$apt_dir/apt.conf
    # The lists are refreshed at most once a day.
    if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 2>/dev/null | head -1)" ]; then
        apt-get update -qq >&2 || fail "apt-get update of the source lists failed"
    fi
}

# Fetches and unpacks PKG's source once into sources/PKG-VERSION and prints
# that folder. The security archive may list a version whose .dsc it no
# longer serves: the release's own version is taken then, and remembered.
fetch_source() {
    local pkg=$1 newest marker tmp codename dsc version dir log=$logs/fetch-$1.log
    newest=$(apt-cache showsrc "$pkg" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -1)
    [ -n "$newest" ] || fail "$pkg: no source package in the archives"
    marker=$root/sources/$pkg-$newest.use
    if [ -f "$marker" ] && [ -d "$(cat "$marker")" ]; then
        cat "$marker"
        return 0
    fi
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    tmp=$(mktemp -d "$root/sources/.fetch-XXXXXX")
    if ! (cd "$tmp" && apt-get source -qq "$pkg" >>"$log" 2>&1); then
        say "$pkg $newest: source could not be fetched; taking $codename's"
        rm -rf "$tmp" && mkdir -p "$tmp"
        (cd "$tmp" && apt-get source -qq "$pkg/$codename" >>"$log" 2>&1) ||
            { rm -rf "$tmp"; fail "$pkg: source package could not be fetched (log: $log)"; }
    fi
    dsc=$(find "$tmp" -maxdepth 1 -name '*.dsc' | head -1)
    version=$(basename "$dsc" .dsc)
    version=${version#"${pkg}_"}
    dir=$root/sources/$pkg-$version
    rm -rf "$dir"
    mv "$tmp" "$dir"
    echo "$dir" > "$marker"
    echo "$dir"
}

# The unpacked tree inside a fetched source folder.
tree() { find "$1" -mindepth 1 -maxdepth 1 -type d | head -1; }

build_openssl() { # src stage
    cd "$1"
    ./Configure mingw64 no-shared no-tests no-module no-dso --cross-compile-prefix=$triple- \
        --prefix="$2" --libdir=lib --openssldir=C:/ZEVA/ssl
    make -j"$jobs" build_libs
    make install_dev
}

build_c_ares() { # src stage
    # 1.18.1 uses INADDRSZ where only NS_INADDRSZ is defined for Windows.
    cmake -S "$1" -B "$1/_build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$2" -DCARES_STATIC=ON -DCARES_SHARED=OFF -DCARES_BUILD_TOOLS=OFF \
        -DCARES_BUILD_TESTS=OFF -DCARES_STATIC_PIC=ON -DCMAKE_C_FLAGS="-DINADDRSZ=4"
    cmake --build "$1/_build" -j"$jobs"
    cmake --install "$1/_build"
}

build_curl() { # src stage
    cd "$1"
    [ -x configure ] || autoreconf -fi
    ./configure --host=$triple --prefix="$2" --disable-shared --enable-static --with-schannel \
        --without-libpsl --without-brotli --without-zstd --without-libidn2 --without-nghttp2 \
        --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps --disable-manual --disable-docs \
        --with-zlib=/usr/$triple CC=$triple-gcc-posix
    make -j"$jobs" -C lib
    make -C lib install
    make -C include install
    make install-pkgconfigDATA
}

build_googletest() { # src stage (Debian's googletest ships its source in /usr/src)
    cmake -S "$1" -B "$2.build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$2" -Dgtest_disable_pthreads=OFF
    cmake --build "$2.build" -j"$jobs"
    cmake --install "$2.build"
    rm -rf "$2.build"
}

# Header-only and source-only parts: cpp-httplib's header, the gSOAP runtime
# sources (compiled into each client library, whose callbacks it looks up by
# name) and nlohmann's JSON header.
build_cpp_httplib() { install -D -m644 "$1/httplib.h" "$2/include/httplib.h"; }
build_gsoap() {
    mkdir -p "$2/share/gsoap"
    cp -a "$1/gsoap/stdsoap2.cpp" "$1/gsoap/stdsoap2.h" "$1/gsoap/dom.cpp" "$2/share/gsoap/"
}
build_nlohmann_json() { mkdir -p "$2/include" && cp -a "$1/nlohmann" "$2/include/"; }

# part NAME SOURCE_DIR VERSION: builds (or reuses) one part and prints its folder.
part() {
    local name=$1 src=$2 version=$3 fn key dir
    fn=build_${name//-/_}
    key=$( (echo "$version"; declare -f "$fn"; cat "$toolchain") | sha256sum | cut -c1-12)
    dir=$root/parts/$name-$key
    if [ -f "$dir/.complete" ]; then
        echo "$dir"
        return 0
    fi
    rm -rf "$dir" "$dir.partial"
    mkdir -p "$dir.partial"
    say "$name $version (log: $logs/$name.log)"
    local t0=$SECONDS
    # A subshell outside any condition, so that its first failing step ends it.
    local rc=0
    set +e
    (set -e; "$fn" "$src" "$dir.partial") >"$logs/$name.log" 2>&1
    rc=$?
    set -e
    if [ "$rc" -ne 0 ]; then
        rm -rf "$dir.partial"
        fail "$name failed to build; the log is $logs/$name.log"
    fi
    # Build systems write the staging folder into their pkg-config and CMake files.
    { grep -rlI "$dir.partial" "$dir.partial" 2>/dev/null || true; } | xargs -r sed -i "s|$dir.partial|$dir|g"
    echo "$version" > "$dir.partial/VERSION"
    touch "$dir.partial/.complete"
    mv "$dir.partial" "$dir"
    say "$name done in $((SECONDS - t0)) s"
    echo "$dir"
}

setup_apt
parts=()
for pkg in openssl c-ares curl cpp-httplib gsoap; do
    src=$(fetch_source "$pkg")
    parts+=("$(part "$pkg" "$(tree "$src")" "$(basename "$src")")")
done
parts+=("$(part googletest /usr/src/googletest "googletest-$(dpkg-query -W -f='${Version}' googletest)")")
parts+=("$(part nlohmann-json /usr/include "nlohmann-json-$(dpkg-query -W -f='${Version}' nlohmann-json3-dev)")")

# The prefix: the parts joined, named after them.
key=$(printf '%s\n' "${parts[@]}" | sha256sum | cut -c1-12)
prefix=$root/prefix-$key
if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$prefix" "$prefix.partial"
    mkdir -p "$prefix.partial"
    for p in "${parts[@]}"; do
        cp -a "$p/." "$prefix.partial/"
        basename "$p" >> "$prefix.partial/PARTS"
    done
    rm -f "$prefix.partial/VERSION"
    { grep -rlI "$root/parts/" "$prefix.partial" 2>/dev/null || true; } | xargs -r sed -i -E "s|$root/parts/[^/\"' ]+|$prefix|g"
    mv "$prefix.partial" "$prefix"
    say "prefix $prefix: $(tr '\n' ' ' < "$prefix/PARTS")"
fi
echo "$prefix"
