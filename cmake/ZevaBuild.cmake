# Project-wide compile settings and the helpers every component uses.

set(ZEVA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
# GCC 12 reports false -Wrestrict overlaps in inlined std::string concatenation
# at -O2 (GCC bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND ZEVA_WARNINGS -Wno-restrict)
endif()
if(ZEVA_WERROR)
  list(APPEND ZEVA_WARNINGS -Werror)
endif()

if(ZEVA_SANITIZE)
  add_compile_options(-fsanitize=${ZEVA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZEVA_SANITIZE})
endif()

include(GoogleTest)

# Every test executable built in this tree; sanitizer runs of threaded parts
# build only the ones marked THREADED.
add_custom_target(zeva_threaded_tests)

# zeva_target_defaults(<target>): the project's warnings on one of our targets.
function(zeva_target_defaults target)
  target_compile_options(${target} PRIVATE ${ZEVA_WARNINGS})
endfunction()

# zeva_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [THREADED] [TIMEOUT s])
# One GoogleTest executable per component, each case registered with CTest.
function(zeva_add_test name)
  cmake_parse_arguments(ARG "THREADED" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(ZEVA_THREADED_ONLY AND NOT ARG_THREADED)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  zeva_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set(labels ${ARG_LABELS})
  if(ARG_THREADED)
    list(APPEND labels threaded)
    add_dependencies(zeva_threaded_tests ${name})
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  # Test discovery cannot carry a list-valued property, so the labels are
  # joined into one ("threaded-slow"); ctest -L matches them as regular
  # expressions, so -L slow still selects it.
  list(JOIN labels "-" labels)
  if(labels STREQUAL "")
    set(labels unit)
  endif()
  # Under Wine the first program of a run may wait for the Wine server to start.
  set(discovery_timeout 5)
  if(CMAKE_CROSSCOMPILING)
    set(discovery_timeout 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT ${discovery_timeout}
    PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT}
    TEST_PREFIX "${name}.")
endfunction()

# The application directory of this build tree: plug-ins land in its "plug"
# and "ProvincePlug" folders, so ZEVA_APP_DIR=<build>/app runs the host with them.
set(ZEVA_APP_BUILD_DIR ${CMAKE_BINARY_DIR}/app)
# Where the installed application directory lives (programs, plug-ins, the
# private skin library in lib/, the font map in fonts/). Absolute: the client
# libraries and the command links follow CMAKE_INSTALL_PREFIX instead.
set(ZEVA_INSTALL_APPDIR /opt/zeva CACHE PATH "Installed application directory")
# Everything the installation holds, so a package build compiles only that.
add_custom_target(zeva_package_contents)

# zeva_add_plugin(<name> FOLDER plug|ProvincePlug SOURCES ... [LIBS ...])
# A plug-in library "<name>.so" in <build>/app/<FOLDER>. Its symbols are
# hidden but for the exports, so every plug-in keeps its own copy of the
# page frame (and of its worker list) even when several are loaded.
function(zeva_add_plugin name)
  cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_FOLDER MATCHES "^(plug|ProvincePlug)$")
    message(FATAL_ERROR "zeva_add_plugin(${name}): FOLDER must be plug or ProvincePlug")
  endif()
  add_library(${name} MODULE ${ARG_SOURCES})
  # The skin library comes first: it carries the message layer the host shares.
  target_link_libraries(${name} PRIVATE zeva::uiskin zeva::plugframe ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${ZEVA_APP_BUILD_DIR}/${ARG_FOLDER}
    # Installed one level below the application directory, beside its lib/.
    INSTALL_RPATH "$ORIGIN/../lib")
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  zeva_target_defaults(${name})
  add_dependencies(zeva_package_contents ${name})
  install(TARGETS ${name} LIBRARY DESTINATION ${ZEVA_INSTALL_APPDIR}/${ARG_FOLDER} COMPONENT app)
endfunction()

# zeva_copy_mingw_runtime(): the MinGW runtime DLLs beside the programs of a
# Windows build, so they run under Wine and install as they are (one C++
# runtime per process: the DLLs we build exchange C++ objects).
function(zeva_copy_mingw_runtime)
  if(NOT WIN32)
    return()
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE stdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                  OUTPUT_VARIABLE gcc OUTPUT_STRIP_TRAILING_WHITESPACE)
  find_file(ZEVA_WINPTHREAD_DLL libwinpthread-1.dll PATHS /usr/${ZEVA_MINGW_TRIPLE}/lib NO_DEFAULT_PATH REQUIRED)
  set(ZEVA_MINGW_RUNTIME ${stdcxx} ${gcc} ${ZEVA_WINPTHREAD_DLL} CACHE INTERNAL "")
  file(COPY ${ZEVA_MINGW_RUNTIME} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endfunction()
