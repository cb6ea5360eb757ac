# Build settings, installation and package check shared by the service
# client libraries.

include_guard(GLOBAL)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# zeva_client_library(<target> EXPORTS <macro> SOURCES ... [INCLUDES ...] [LIBS ...])
# A client library: a shared library (zeva_add_library SHARED HIDDEN, so it
# exports only the classes its header marks with the API macro that <macro>
# turns into exports), carrying the project's version and keeping the static
# helpers it links private.
function(zeva_client_library target)
  zeva_add_library(${target} SHARED HIDDEN ${ARGN})
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
  target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
  # The OpenSSL it carries cleans up when the DLL unloads (a plug-in that
  # loaded it may go before the process ends), not at the process's end.
  if(WIN32)
    target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:zeva_openssl_module>)
  endif()
endfunction()

# zeva_install_client_library(<target>)
# Installs the library, its public header include/<target>.h, a CMake package
# and a pkg-config file, from cmake/<target>Config.cmake.in and
# cmake/<target>.pc.in of the calling folder. The shared object goes to the
# install component <target> (its runtime package), the rest to "dev".
function(zeva_install_client_library target)
  # Debian's multiarch folder, where its pkg-config (also the cross one) looks.
  if(CMAKE_INSTALL_LIBDIR STREQUAL "lib" AND CMAKE_LIBRARY_ARCHITECTURE)
    set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
  endif()
  # On Windows the DLL lies beside the programs of the application folder
  # (component app); its import library, header and packages go to sdk/.
  # Users find the header through INCLUDES DESTINATION below.
  set(runtime_dir ${CMAKE_INSTALL_BINDIR})
  set(runtime_component ${target})
  if(WIN32)
    set(CMAKE_INSTALL_LIBDIR sdk/lib)
    set(CMAKE_INSTALL_INCLUDEDIR sdk/include)
    set(runtime_dir .)
    set(runtime_component app)
  endif()
  install(TARGETS ${target} EXPORT ${target}Targets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${target} NAMELINK_COMPONENT dev
          RUNTIME DESTINATION ${runtime_dir} COMPONENT ${runtime_component}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
          INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES include/${target}.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
  install(EXPORT ${target}Targets NAMESPACE ${target}::
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/${target} COMPONENT dev)
  configure_package_config_file(cmake/${target}Config.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/${target})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  # The prefix is found relative to the .pc file, so the installed tree can move.
  file(RELATIVE_PATH ZEVA_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(cmake/${target}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/${target} COMPONENT dev)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT dev)
endfunction()

# zeva_add_package_test(<test name> <library build dir> <header> <target> <host.cpp>)
# Installs the library into a scratch prefix and builds a host program
# against it, with the sanitizers of this build.
function(zeva_add_package_test name build_dir header target host)
  if(ZEVA_THREADED_ONLY)
    return()
  endif()
  if(WIN32)
    # The host is built with MinGW against the installed sdk/ and run under Wine.
    add_test(NAME ${name}
             COMMAND ${PROJECT_SOURCE_DIR}/client/tests/package/check-package-windows.sh ${build_dir}
                     ${header} ${target} ${host} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
                     ${CMAKE_TOOLCHAIN_FILE} ${CMAKE_CROSSCOMPILING_EMULATOR})
    set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 180)
    return()
  endif()
  set(host_flags "")
  if(ZEVA_SANITIZE)
    set(host_flags "-fsanitize=${ZEVA_SANITIZE}")
  endif()
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/client/tests/package/check-package.sh ${build_dir}
                   ${header} ${target} ${host} "${host_flags}")
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 120)
endfunction()
