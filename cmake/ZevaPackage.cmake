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

set(CPACK_PACKAGE_NAME zeva)
set(CPACK_PACKAGE_VENDOR "ZEVA")
set(CPACK_PACKAGE_CONTACT "ZEVA maintainers <maintainers@zeva.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZEVA care client: host, updaters, plug-ins, tools and client libraries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Absolute destinations (the application directory) land in the package, never
# on the building machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
# Beyond the linked libraries: the windows' platform plug-ins, the CJK faces
# the font map names, and what the tools start (xdg-open for links).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fontconfig, fonts-arphic-uming, fonts-arphic-ukai")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "nginx-light, iproute2")
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/postinst.in ${CMAKE_BINARY_DIR}/package/postinst @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/postrm.in ${CMAKE_BINARY_DIR}/package/postrm @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package/postinst ${CMAKE_BINARY_DIR}/package/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
