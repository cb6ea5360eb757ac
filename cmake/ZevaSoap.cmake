# gSOAP for the service client libraries and the emulators.
#
# On Linux the shared runtime (libgsoapssl++) finds a few callbacks by global symbol
# name: the SOAP Header and Fault serializers, the generic element
# functions and the default namespace table. Those come from one empty
# description ("env", built into every library that uses the runtime, so
# whichever copy the loader binds is the same code), while each service's
# own serializers live in a C++ namespace of their own (soapcpp2 -q), so two
# libraries with different service descriptions never bind to each other's.

include_guard(GLOBAL)
# soapcpp2 runs on the build machine, also when cross-building.
find_program(ZEVA_SOAPCPP2 soapcpp2 REQUIRED)
if(WIN32)
  # Static: no zlib1.dll to ship beside every program.
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED)

if(NOT TARGET zeva_gsoap AND WIN32)
  # A DLL cannot find the callbacks by global symbol name, so the runtime is
  # compiled from its sources (the prefix's share/gsoap) into an archive that
  # every DLL and program using it links, beside its own copy of the env
  # callbacks: each binds to its own copy at link time.
  set(gsoap_src ${ZEVA_WINDOWS_PREFIX}/share/gsoap)
  if(NOT EXISTS ${gsoap_src}/stdsoap2.cpp)
    message(FATAL_ERROR "the gSOAP runtime sources are not in ${gsoap_src} (scripts/windows build)")
  endif()
  add_library(zeva_gsoap_runtime STATIC ${gsoap_src}/stdsoap2.cpp ${gsoap_src}/dom.cpp)
  # The runtime is compiled as it comes.
  target_compile_options(zeva_gsoap_runtime PRIVATE -w)
  target_compile_definitions(zeva_gsoap_runtime PUBLIC WITH_IPV6 WITH_OPENSSL WITH_GZIP WITH_DOM)
  target_include_directories(zeva_gsoap_runtime SYSTEM PUBLIC ${gsoap_src})
  target_link_libraries(zeva_gsoap_runtime PUBLIC OpenSSL::SSL OpenSSL::Crypto ZLIB::ZLIB ws2_32 crypt32)
  add_library(zeva_gsoap INTERFACE)
  add_library(zeva::gsoap ALIAS zeva_gsoap)
  target_link_libraries(zeva_gsoap INTERFACE zeva_gsoap_runtime)
elseif(NOT TARGET zeva_gsoap)
  find_path(ZEVA_GSOAP_INCLUDE stdsoap2.h REQUIRED)
  find_library(ZEVA_GSOAPSSL NAMES gsoapssl++ REQUIRED)
  add_library(zeva_gsoap INTERFACE)
  add_library(zeva::gsoap ALIAS zeva_gsoap)
  # These select the layout of struct soap; they must match the runtime build.
  target_compile_definitions(zeva_gsoap INTERFACE WITH_IPV6 WITH_OPENSSL WITH_GZIP WITH_DOM)
  target_include_directories(zeva_gsoap SYSTEM INTERFACE ${ZEVA_GSOAP_INCLUDE})
  target_link_libraries(zeva_gsoap INTERFACE ${ZEVA_GSOAPSSL} OpenSSL::SSL OpenSSL::Crypto ZLIB::ZLIB)
endif()

# zeva_soapcpp2(<var> HEADER <file> DIR <outdir> PREFIX <name> [NAMESPACE <c++ namespace>])
# Runs soapcpp2 on a hand-written service description at build time and
# patches soap_ignore_element() (see PatchIgnoreElement.cmake). Sets <var>_C,
# <var>_CLIENT and <var>_SERVER to the generated sources, and <var>_DIR.
function(zeva_soapcpp2 var)
  cmake_parse_arguments(ARG "" "HEADER;DIR;PREFIX;NAMESPACE" "" ${ARGN})
  set(qualify)
  if(ARG_NAMESPACE)
    set(qualify -q${ARG_NAMESPACE})
  endif()
  set(here ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  set(out ${ARG_DIR})
  set(c ${out}/${ARG_PREFIX}C.cpp)
  set(client ${out}/${ARG_PREFIX}Client.cpp)
  set(server ${out}/${ARG_PREFIX}Server.cpp)
  add_custom_command(
    OUTPUT ${c} ${client} ${server} ${out}/${ARG_PREFIX}H.h ${out}/${ARG_PREFIX}Stub.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${ZEVA_SOAPCPP2} -1 -L -x -w -p${ARG_PREFIX} ${qualify} -d ${out} ${ARG_HEADER} > ${out}/soapcpp2.log 2>&1
    COMMAND ${CMAKE_COMMAND} -DFILE=${c} -P ${here}/PatchIgnoreElement.cmake
    DEPENDS ${ARG_HEADER} ${here}/PatchIgnoreElement.cmake
    COMMENT "soapcpp2 ${ARG_HEADER}"
    VERBATIM)
  set(${var}_C ${c} PARENT_SCOPE)
  set(${var}_CLIENT ${client} PARENT_SCOPE)
  set(${var}_SERVER ${server} PARENT_SCOPE)
  set(${var}_DIR ${out} PARENT_SCOPE)
endfunction()
