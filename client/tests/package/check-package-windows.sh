#!/usr/bin/env bash
# The Windows form of check-package.sh: installs a client library's folder of
# the Windows build into a scratch application folder (DLL beside the
# programs, import library, header and packages in sdk/), checks that the
# public header compiles on its own with MinGW, builds a host program against
# sdk/ with the CMake package and with pkg-config, and runs each under Wine
# beside the DLL and the MinGW runtime.
#   check-package-windows.sh <library build dir> <header> <package> <host.cpp> <bin dir> <toolchain file> <wine-run>
set -euo pipefail
build=$1 header=$2 package=$3 host=$4 bin=$5 toolchain=$6 wine_run=$7
here=$(cd "$(dirname "$0")" && pwd)
cxx=x86_64-w64-mingw32-g++-posix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app=$work/app

echo "#include \"$(basename "$header")\"" |
    $cxx -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$(dirname "$header")" -x c++ -

cmake -DCMAKE_INSTALL_PREFIX="$app" -P "$build/cmake_install.cmake" >/dev/null
test -f "$app/$package.dll"
test -f "$app/sdk/lib/lib$package.dll.a"
test -f "$app/sdk/include/$package.h"
cp "$bin"/libstdc++-6.dll "$bin"/libgcc_s_seh-1.dll "$bin"/libwinpthread-1.dll "$app"/

# shellcheck disable=SC2046
$cxx -std=c++20 "$host" -o "$app/host-pc.exe" \
    $(PKG_CONFIG_PATH="$app/sdk/lib/pkgconfig" pkg-config --cflags --libs "$package")
"$wine_run" "$app/host-pc.exe"

cmake -S "$here" -B "$work/cmake-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -D"${package}_DIR=$app/sdk/lib/cmake/$package" -DPACKAGE="$package" -DHOST_SOURCE="$host" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
cp "$work/cmake-build/host.exe" "$app/host-cmake.exe"
"$wine_run" "$app/host-cmake.exe"
