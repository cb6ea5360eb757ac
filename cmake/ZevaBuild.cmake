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

# zeva_add_library(<name> [STATIC|SHARED|MODULE|OBJECT|INTERFACE] [ALIAS <alias>] [HIDDEN]
#                  [EXPORTS <macro>] [SOURCES ...] [INCLUDES <scope> dir ...] [LIBS <scope> lib ...])
# One of our libraries (STATIC unless told): its alias, include folders and
# libraries (with their PUBLIC/PRIVATE/INTERFACE keywords, as
# target_include_directories and target_link_libraries take them; relative
# folders are the caller's), the project's warnings; HIDDEN exports only what
# is marked. EXPORTS: <macro> is defined while a SHARED library is built and
# only then, so the API macro of its header can mean dllexport there and
# dllimport for its users on Windows (where every DLL exports only what is
# marked), and default visibility elsewhere. The one place where the
# platform's export settings of our libraries belong.
function(zeva_add_library name)
  # The kind comes right after the name: INTERFACE is also a scope keyword of INCLUDES and LIBS.
  set(args ${ARGN})
  set(type STATIC)
  if(ARGC GREATER 1 AND ARGV1 MATCHES "^(STATIC|SHARED|MODULE|OBJECT|INTERFACE)$")
    set(type ${ARGV1})
    list(REMOVE_AT args 0)
  endif()
  cmake_parse_arguments(ARG "HIDDEN" "ALIAS;EXPORTS" "SOURCES;INCLUDES;LIBS" ${args})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "zeva_add_library(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_library(${name} ${type} ${ARG_SOURCES})
  if(ARG_ALIAS)
    add_library(${ARG_ALIAS} ALIAS ${name})
  endif()
  if(ARG_INCLUDES)
    target_include_directories(${name} ${ARG_INCLUDES})
  endif()
  if(ARG_LIBS)
    target_link_libraries(${name} ${ARG_LIBS})
  endif()
  if(ARG_HIDDEN)
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  endif()
  if(ARG_EXPORTS)
    if(NOT type STREQUAL "SHARED")
      message(FATAL_ERROR "zeva_add_library(${name}): EXPORTS is for SHARED libraries")
    endif()
    set_target_properties(${name} PROPERTIES DEFINE_SYMBOL ${ARG_EXPORTS})
    if(WIN32)
      # The DLL keeps the library's own name (no "lib" before it); the
      # import library beside it is lib<name>.dll.a, as MinGW's linker finds it.
      set_target_properties(${name} PROPERTIES PREFIX "")
    endif()
  endif()
  if(NOT type STREQUAL "INTERFACE")
    zeva_target_defaults(${name})
  endif()
endfunction()

# zeva_test_path(<var> <path>): a path of the build machine (source or build
# tree) as the test programs see it; under Wine the Linux root is drive Z:.
function(zeva_test_path var path)
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(path "Z:${path}")
  endif()
  set(${var} "${path}" PARENT_SCOPE)
endfunction()

# zeva_add_test(<name> SOURCES ... [LIBS ...] [DEPENDS target ...] [DEFINES ...]
#               [INCLUDES dir ...] [LABELS ...] [THREADED] [DISPLAY] [DESKTOP]
#               [DESKTOP_ALONE] [TIMEOUT s])
# One GoogleTest executable per component, each case registered with CTest.
# DEPENDS: programs and plug-ins the test starts or loads, built before it;
# DEFINES and INCLUDES: compile definitions and include folders of the test.
# Outside the threaded-only build, or when THREADED, the test exists; else
# the call does nothing, so none of its settings need a guard. The same holds
# for LABELS linux or root in the Windows build. DISPLAY: the test makes real
# windows, which Wine draws on an X display. DESKTOP: on Windows the programs
# it runs look for the client's window class on the desktop and close what
# they find (the updaters), so it takes turns with the window tests.
function(zeva_add_test name)
  cmake_parse_arguments(ARG "THREADED;DISPLAY;DESKTOP;DESKTOP_ALONE" "TIMEOUT" "SOURCES;LIBS;LABELS;DEPENDS;DEFINES;INCLUDES" ${ARGN})
  if(ZEVA_THREADED_ONLY AND NOT ARG_THREADED)
    return()
  endif()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "zeva_add_test(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  # Tests labelled "linux" need what only Linux has (/proc, Linux programs;
  # the reason stands beside each such call); "root" ones run in network
  # namespace beds. Neither is built for Windows.
  if(WIN32 AND ("linux" IN_LIST ARG_LABELS OR "root" IN_LIST ARG_LABELS))
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  zeva_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  if(ARG_DEFINES)
    target_compile_definitions(${name} PRIVATE ${ARG_DEFINES})
  endif()
  if(ARG_INCLUDES)
    target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  endif()
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
  if(ARG_DISPLAY)
    list(APPEND labels display)
  endif()
  list(JOIN labels "-" labels)
  if(labels STREQUAL "")
    set(labels unit)
  endif()
  # Real windows under Wine need an X display: DISPLAY tests get a virtual
  # one (Xvfb) for their run when none is set.
  if(ARG_DISPLAY AND CMAKE_CROSSCOMPILING)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
                 ${PROJECT_SOURCE_DIR}/scripts/windows.d/wine-run-display)
  endif()
  # Under Wine the first program of a run may wait for the Wine server to start.
  set(discovery_timeout 5)
  if(CMAKE_CROSSCOMPILING)
    set(discovery_timeout 120)
  endif()
  # Real windows of every test share the Wine server's one desktop, where
  # they find each other by class: such tests run one at a time.
  set(lock "")
  if(ARG_DISPLAY OR (ARG_DESKTOP AND WIN32))
    set(lock RESOURCE_LOCK windows_desktop)
  endif()
  # DESKTOP_ALONE: the test finds class windows of other processes, which on
  # Windows are every process's of the desktop (Linux tests keep theirs in a
  # runtime folder of their own): no other test runs beside it there.
  set(serial FALSE)
  if(ARG_DESKTOP_ALONE AND WIN32)
    set(serial TRUE)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT ${discovery_timeout}
    PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT} RUN_SERIAL ${serial} ${lock}
    TEST_PREFIX "${name}.")
endfunction()

# The application directory of this build tree: plug-ins land in its "plug"
# and "ProvincePlug" folders, so ZEVA_APP_DIR=<build>/app runs the host with them.
# On Windows it is the programs' own folder (bin), where the skin library and
# the runtime DLLs the plug-ins import already are.
if(WIN32)
  set(ZEVA_APP_BUILD_DIR ${CMAKE_BINARY_DIR}/bin)
else()
  set(ZEVA_APP_BUILD_DIR ${CMAKE_BINARY_DIR}/app)
endif()
# Where the installed application directory lives (programs, plug-ins, the
# private skin library in lib/, the font map in fonts/). Absolute: the client
# libraries and the command links follow CMAKE_INSTALL_PREFIX instead.
set(ZEVA_INSTALL_APPDIR /opt/zeva CACHE PATH "Installed application directory")
# Everything the installation holds, so a package build compiles only that.
add_custom_target(zeva_package_contents)

# zeva_add_plugin(<name> FOLDER plug|ProvincePlug SOURCES ... [LIBS ...] [CRYPTO])
# A plug-in library "<name>.so" ("<name>.dll" on Windows) in the build's
# application directory's <FOLDER>. Its symbols are hidden but for the
# exports, so every plug-in keeps its own copy of the page frame (and of its
# worker list) even when several are loaded. ZEVA_PLUGINS lists
# "<name>:<FOLDER>" for the Windows installation. CRYPTO: it carries OpenSSL
# (the settings' cipher, digests, signatures), whose clean-up on Windows must
# run when the DLL unloads.
function(zeva_add_plugin name)
  cmake_parse_arguments(ARG "CRYPTO" "FOLDER" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_FOLDER MATCHES "^(plug|ProvincePlug)$")
    message(FATAL_ERROR "zeva_add_plugin(${name}): FOLDER must be plug or ProvincePlug")
  endif()
  # The skin library comes after the plug-in's own libraries: it carries the
  # message layer the host shares, and on Windows a static library named after
  # it would take that layer from a private copy of the platform instead.
  zeva_add_library(${name} MODULE HIDDEN SOURCES ${ARG_SOURCES}
    LIBS PRIVATE ${ARG_LIBS} zeva::plugframe zeva::uiskin)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${ZEVA_APP_BUILD_DIR}/${ARG_FOLDER}
    # Installed one level below the application directory, beside its lib/.
    INSTALL_RPATH "$ORIGIN/../lib")
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  add_dependencies(zeva_package_contents ${name})
  set_property(GLOBAL APPEND PROPERTY ZEVA_PLUGINS "${name}:${ARG_FOLDER}")
  if(WIN32 AND ARG_CRYPTO)
    target_link_libraries(${name} PRIVATE zeva_openssl_module)
  endif()
  # The Windows folder is installed by ZevaWindowsInstall.cmake.
  if(NOT WIN32)
    install(TARGETS ${name} LIBRARY DESTINATION ${ZEVA_INSTALL_APPDIR}/${ARG_FOLDER} COMPONENT app)
  endif()
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
