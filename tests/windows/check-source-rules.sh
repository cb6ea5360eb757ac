#!/usr/bin/env bash
# Rules the Windows build relies on that no compiler checks, over the tracked
# sources:
#  - the system's headers are included only by the Windows halves (files in a
#    "win" folder), so portable code never calls the system directly;
#  - a thread_local in code built for Windows holds a plain value or a
#    pointer: MinGW's runtime may release a thread_local's storage before its
#    destructor runs, so an object with a destructor there works on freed memory.
#    POSIX halves (*_posix.cpp, *_iconv.cpp) are not built for Windows.
#
#   tests/windows/check-source-rules.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"

failed=0
system_headers='#include <(windows|winsock2|ws2tcpip|iphlpapi|shellapi|shlobj|gdiplus|commctrl|wincrypt|winhttp|wininet)\.h>'
if found=$(git grep -n -E "$system_headers" -- '*.cpp' '*.h' | grep -v -E '^([^:]*/)?win/'); then
    echo "system headers outside a \"win\" folder:"
    echo "$found"
    failed=1
fi

plain='thread_local +((const|unsigned|signed) +)*(bool|char|short|int|long|long long|float|double|std::size_t|std::u?int[0-9]+_t|std::mt19937(_64)?)\b|thread_local +[A-Za-z_:<>, ]+\* *[A-Za-z_]'
if found=$(git grep -n -E 'thread_local ' -- '*.cpp' '*.h' ':!*_posix.cpp' ':!*_iconv.cpp' |
    grep -v -E "$plain" | grep -v -E ':[0-9]+: *//'); then
    echo "thread_local objects that are neither plain values nor pointers:"
    echo "$found"
    failed=1
fi

if ((failed)); then exit 1; fi
echo "check-source-rules: ok"
