# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix thread
# model: std::thread needs it) and running the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEVA_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZEVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEVA_MINGW_TRIPLE}-windres)

# The dependencies cross-built by scripts/windows live in one prefix beside
# the compiler's own sysroot; nothing is taken from the build machine.
if(NOT ZEVA_WINDOWS_PREFIX AND DEFINED ENV{ZEVA_WINDOWS_PREFIX})
  set(ZEVA_WINDOWS_PREFIX $ENV{ZEVA_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${ZEVA_MINGW_TRIPLE} ${ZEVA_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The tests run through scripts/windows.d/wine-run (the windows preset's
# CMAKE_CROSSCOMPILING_EMULATOR): a Chinese locale and the project's prefix.
