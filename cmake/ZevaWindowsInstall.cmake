# The application folder of the Windows build as the installer lays it out
# (cmake --install build/windows --prefix <folder>): the programs, the client
# libraries and the MinGW runtime side by side (one C++ runtime per process),
# and the settings a fresh installation starts with. Import libraries and
# headers of the client libraries go to sdk/ (component dev).

set(ZEVA_WINDOWS_PROGRAMS ZEVAClient ZEVAUpdate ZEVASilentUpdate zeva-cfg zeva-client zeva-publish zeva-netprobe
                          zeva-backoffice)
foreach(program IN LISTS ZEVA_WINDOWS_PROGRAMS)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION . COMPONENT app)
  endif()
endforeach()
install(FILES ${ZEVA_MINGW_RUNTIME} DESTINATION . COMPONENT app)
# The skin library the host and every plug-in share (one message layer).
if(TARGET zeva_uiskin)
  install(TARGETS zeva_uiskin RUNTIME DESTINATION . COMPONENT app)
endif()
# The plug-ins in "plug" and "ProvincePlug", under the names the catalogues
# give them (ZEVAPlug_*.dll), as the Linux package holds them.
get_property(zeva_plugins GLOBAL PROPERTY ZEVA_PLUGINS)
foreach(entry IN LISTS zeva_plugins)
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 plugin)
  list(GET entry 1 folder)
  install(TARGETS ${plugin} LIBRARY DESTINATION ${folder} COMPONENT app)
endforeach()
if(TARGET zeva_default_settings)
  install(FILES ${ZEVA_DEFAULTS_DIR}/Config.dat ${ZEVA_DEFAULTS_DIR}/UserConfig.dat DESTINATION . COMPONENT app)
endif()

# The folder installed and checked: every library a program or DLL imports is
# beside it or one of Windows' own, the C++ runtime is shared, and each tool
# answers --help from there.
add_test(NAME windows_install_layout
         COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-windows-install.sh ${CMAKE_BINARY_DIR}
                 ${PROJECT_SOURCE_DIR}/scripts/windows.d/wine-run)
set_tests_properties(windows_install_layout PROPERTIES LABELS package TIMEOUT 300)

# The installer (scripts/windows package) made from this tree, then installed,
# reinstalled and uninstalled silently in a copy of the Wine prefix.
add_test(NAME windows_setup COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-windows-setup.sh ${CMAKE_BINARY_DIR}
                                    ${PROJECT_SOURCE_DIR}/scripts/windows.d/wine-run)
set_tests_properties(windows_setup PROPERTIES LABELS package TIMEOUT 600)
