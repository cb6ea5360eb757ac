# Installation and the Debian package (cpack -G DEB in a release tree; see
# scripts/package). The application directory goes to ZEVA_INSTALL_APPDIR
# (plug-ins install themselves there through zeva_add_plugin); the client
# libraries, their headers and package files follow CMAKE_INSTALL_PREFIX.

include(GNUInstallDirs)

# Programs in the application directory find the private skin library in its
# lib/ and, run through the links on the PATH, still take that directory as
# theirs (the application path is the real one of the program).
set(ZEVA_APP_PROGRAMS ZEVAClient ZEVAUpdate ZEVASilentUpdate)
set(ZEVA_CLI_PROGRAMS zeva-cfg zeva-client zeva-publish zeva-netprobe zeva-backoffice)
set(ZEVA_LINK_DIR ${CMAKE_BINARY_DIR}/package/links)
file(MAKE_DIRECTORY ${ZEVA_LINK_DIR})
foreach(program IN LISTS ZEVA_APP_PROGRAMS ZEVA_CLI_PROGRAMS)
  if(NOT TARGET ${program})
    message(STATUS "${program} is not built: the package leaves it out")
    continue()
  endif()
  set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/lib")
  install(TARGETS ${program} RUNTIME DESTINATION ${ZEVA_INSTALL_APPDIR} COMPONENT app)
  add_dependencies(zeva_package_contents ${program})
endforeach()
foreach(program IN LISTS ZEVA_CLI_PROGRAMS)
  if(TARGET ${program})
    file(CREATE_LINK ${ZEVA_INSTALL_APPDIR}/${program} ${ZEVA_LINK_DIR}/${program} SYMBOLIC)
    install(FILES ${ZEVA_LINK_DIR}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT app)
  endif()
endforeach()

set_target_properties(zeva_uiskin PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS zeva_uiskin LIBRARY DESTINATION ${ZEVA_INSTALL_APPDIR}/lib NAMELINK_SKIP COMPONENT app)
install(FILES ${CMAKE_BINARY_DIR}/share/zeva/zeva-fonts.conf DESTINATION ${ZEVA_INSTALL_APPDIR}/fonts COMPONENT app)
# The settings an installation starts with; the package's postinst copies each
# into place only where none exists, so an upgrade keeps the installer's values.
install(FILES ${ZEVA_DEFAULTS_DIR}/Config.dat ${ZEVA_DEFAULTS_DIR}/UserConfig.dat
        DESTINATION ${ZEVA_INSTALL_APPDIR}/defaults COMPONENT app)

add_dependencies(zeva_package_contents zeva_uiskin zeva_default_settings ZEVAClientIntf eZEVAClientIntf)
# cpack installs what zeva_package_contents built, not the whole tree with its tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The package, checked in a fresh root: contents, links, dependencies, the
# programs and a find_package consumer of the installed client library.
if(NOT ZEVA_THREADED_ONLY AND TARGET ZEVAClient)
  set(deb_flags "")
  if(ZEVA_SANITIZE)
    set(deb_flags "-fsanitize=${ZEVA_SANITIZE}")
  endif()
  add_test(NAME package_deb
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-deb.sh ${CMAKE_BINARY_DIR}
                   ${PROJECT_SOURCE_DIR}/client/tests/package "${deb_flags}")
  set_tests_properties(package_deb PROPERTIES LABELS slow TIMEOUT 900)
endif()

# Four packages from the install components: "zeva" (component app, the
# application folder under /opt and the command links), one runtime package
# per client library named after its soname, and one development package.
set(ZEVA_DEB_VERSION ${PROJECT_VERSION})
set(ZEVA_DEB_LIBS ZEVAClientIntf eZEVAClientIntf)
set(ZEVA_DEB_DEV libzevaclientintf-dev)
foreach(lib IN LISTS ZEVA_DEB_LIBS)
  string(TOLOWER "lib${lib}${PROJECT_VERSION_MAJOR}" ZEVA_DEB_PKG_${lib})
endforeach()
set(ZEVA_DEB_PKG_app zeva)
set(ZEVA_DEB_PKG_dev ${ZEVA_DEB_DEV})
set(ZEVA_DEB_COMPONENTS app ${ZEVA_DEB_LIBS} dev)

# Every package carries the copyright file and the changelog in its
# /usr/share/doc folder, as Debian policy asks.
set(doc_dir ${CMAKE_BINARY_DIR}/package/doc)
file(MAKE_DIRECTORY ${doc_dir})
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/changelog.in ${doc_dir}/changelog @ONLY)
execute_process(COMMAND gzip -9nfk ${doc_dir}/changelog RESULT_VARIABLE gzip_rc)
if(NOT gzip_rc EQUAL 0)
  message(FATAL_ERROR "gzip of the package changelog failed")
endif()
foreach(component IN LISTS ZEVA_DEB_COMPONENTS)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/copyright ${doc_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ZEVA_DEB_PKG_${component}} COMPONENT ${component})
endforeach()

# Commented examples of the files an installer writes (see the guide).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/cmake/package/examples/
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zeva/examples COMPONENT app)

# A manual page for each command-line program, made from its --help.
find_program(ZEVA_HELP2MAN help2man)
set(ZEVA_MAN_PROGRAMS
    "zeva-cfg|read and change the enciphered settings files of an installation"
    "zeva-client|call one operation of the back-office or online service"
    "zeva-publish|write release catalogs, sign them and lay out an update server's folder"
    "zeva-netprobe|the speed test's measurements and probes without a window"
    "zeva-backoffice|emulator of the back-office and online services for trials and tests"
    "ZEVAClient|the host of the care client's plug-in pages"
    "ZEVAUpdate|the updater with a window"
    "ZEVASilentUpdate|the updater without a window")
set(man_dir ${CMAKE_BINARY_DIR}/package/man)
set(man_pages "")
if(ZEVA_HELP2MAN)
  foreach(entry IN LISTS ZEVA_MAN_PROGRAMS)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 program)
    list(GET entry 1 summary)
    if(NOT TARGET ${program})
      continue()
    endif()
    add_custom_command(OUTPUT ${man_dir}/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${ZEVA_HELP2MAN} --no-info --no-discard-stderr --section=1
              --version-string=${PROJECT_VERSION} --source=ZEVA --name=${summary}
              --output=${man_dir}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${man_dir}/${program}.1
      DEPENDS ${program}
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND man_pages ${man_dir}/${program}.1.gz)
  endforeach()
  # In every build: the install rules of any tree name them.
  add_custom_target(zeva_manual_pages ALL DEPENDS ${man_pages})
  add_dependencies(zeva_package_contents zeva_manual_pages)
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT app)
else()
  message(STATUS "help2man not found: the package has no manual pages (scripts/setup installs it)")
endif()

# lintian on the packages: only the application folder under /opt may be remarked on.
if(NOT ZEVA_THREADED_ONLY AND TARGET ZEVAClient)
  add_test(NAME package_lintian COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-lintian.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_lintian PROPERTIES LABELS slow TIMEOUT 900)
endif()

set(CPACK_PACKAGE_NAME zeva)
set(CPACK_PACKAGE_VENDOR "ZEVA")
set(CPACK_PACKAGE_CONTACT "ZEVA maintainers <maintainers@zeva.invalid>")
set(CPACK_PACKAGE_VERSION ${ZEVA_DEB_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Absolute destinations (the application directory) land in the package, never
# on the building machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${ZEVA_DEB_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE zeva)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
# The library packages get a shlibs file (and with it the ldconfig trigger),
# so packages built against them depend on this version or later.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package/LibraryTriggers.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_APP_PACKAGE_NAME zeva)
set(CPACK_COMPONENT_APP_DESCRIPTION "ISP customer-care client: host, updaters, plug-ins and tools
The companion programs of an Internet service provider's customer-care
client, installed as a vendor add-on in /opt/zeva: the host that shows the
plug-in pages (speed test, toolbox, receipt of repair work orders, LAN device
check), the interactive and the silent updater that install signed releases
from the provider's update servers, and the command-line tools zeva-cfg,
zeva-client, zeva-publish, zeva-netprobe and zeva-backoffice.")
set(CPACK_COMPONENT_APP_DEPENDS ${ZEVA_DEB_LIBS})
# Beyond the linked libraries: the windows' platform plug-ins, the CJK faces
# the font map names, and what the tools start (xdg-open for links).
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "fontconfig, fonts-arphic-uming, fonts-arphic-ukai")
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_APP_PACKAGE_SUGGESTS "nginx-light, iproute2")
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/postinst.in ${CMAKE_BINARY_DIR}/package/postinst @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/postrm.in ${CMAKE_BINARY_DIR}/package/postrm @ONLY)
set(CPACK_DEBIAN_APP_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package/postinst ${CMAKE_BINARY_DIR}/package/postrm)

set(CPACK_DEBIAN_ZEVACLIENTINTF_PACKAGE_NAME ${ZEVA_DEB_PKG_ZEVAClientIntf})
set(CPACK_DEBIAN_ZEVACLIENTINTF_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_ZEVACLIENTINTF_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/package/triggers)
set(CPACK_COMPONENT_ZEVACLIENTINTF_DESCRIPTION "ISP customer-care client: back-office service client library
The shared library libZEVAClientIntf with the client of the provider's
back-office web service (SOAP over HTTP): account and address queries, speed
and fault reports, lists and look-ups, with a local cache of the last
answers. The development files are in ${ZEVA_DEB_DEV}.")
set(CPACK_DEBIAN_EZEVACLIENTINTF_PACKAGE_NAME ${ZEVA_DEB_PKG_eZEVAClientIntf})
set(CPACK_DEBIAN_EZEVACLIENTINTF_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_EZEVACLIENTINTF_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/package/triggers)
set(CPACK_COMPONENT_EZEVACLIENTINTF_DESCRIPTION "ISP customer-care client: online-service client library
The shared library libeZEVAClientIntf with the client of the provider's
online web service (SOAP over HTTP): the customer's own services and reports
of online time. The development files are in ${ZEVA_DEB_DEV}.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${ZEVA_DEB_DEV})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS ${ZEVA_DEB_LIBS})
set(CPACK_COMPONENT_DEV_DESCRIPTION "ISP customer-care client: development files of the client libraries
Headers, the libZEVAClientIntf.so and libeZEVAClientIntf.so links, CMake
packages (find_package(ZEVAClientIntf), find_package(eZEVAClientIntf)) and
pkg-config files for programs that call the provider's back-office and
online services through the two client libraries.")
include(CPack)
