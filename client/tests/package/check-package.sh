#!/usr/bin/env bash
# Installs a client library into a scratch prefix and builds a host program
# against it twice: with find_package and with pkg-config. Also checks that
# the public header compiles on its own.
#   check-package.sh <library build dir> <header> <package name> <host.cpp> [extra compiler flags]
set -euo pipefail
build=$1 header=$2 package=$3 host=$4 flags=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZEVA_APP_DIR="$work/app"
mkdir -p "$ZEVA_APP_DIR"

echo "#include \"$(basename "$header")\"" |
    g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$(dirname "$header")" -x c++ -

cmake -DCMAKE_INSTALL_PREFIX="$work/prefix" -P "$build/cmake_install.cmake" >/dev/null
libdir=$(dirname "$(find "$work/prefix" -name "lib$package.so" | head -1)")
test -f "$work/prefix/include/$package.h"

# shellcheck disable=SC2046,SC2086
g++ -std=c++20 $flags "$host" -o "$work/host-pc" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs "$package") -Wl,-rpath,"$libdir"
"$work/host-pc"

cmake -S "$here" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" -DPACKAGE="$package" -DHOST_SOURCE="$host" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_BUILD_RPATH="$libdir" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/host"
