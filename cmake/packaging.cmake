# Install rules and the package each backend ships (./package.sh makes
# them):
# - Linux: a .deb with libjol.so (and the platform library it links),
#   jolrun in /usr/bin (it finds the library through its run path
#   $ORIGIN/../lib), the public header, jolrun's man page and the editor
#   grammar. Its dependencies are worked out by dpkg-shlibdeps from the
#   libraries the binaries link, so a library that joins the build joins
#   the dependencies by itself.
# - Windows (the i686 build): a zip with jol32.dll, jolrun.exe, the public
#   header, the import library and the .def file for hosts, the sample
#   extender's source with the contract headers it includes, the editor
#   grammar and the README.
set(JOL_GRAMMAR ${CMAKE_SOURCE_DIR}/resources/editor/jol.tmLanguage.json)

if(WIN32)
  install(TARGETS jol RUNTIME DESTINATION . ARCHIVE DESTINATION lib)
  install(TARGETS jolrun RUNTIME DESTINATION .)
  # The object interface library, beside the library that loads it.
  install(TARGETS joobp32i LIBRARY DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The .def of the import library: the stdcall exports under their
    # decorated names, as a host that declares them stdcall links them.
    install(FILES ${CMAKE_BINARY_DIR}/jol_import.def DESTINATION lib RENAME jol32.def)
  else()
    install(FILES ${CMAKE_BINARY_DIR}/jol.def DESTINATION lib RENAME jol32.def)
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/include/jol.h DESTINATION include)
  install(FILES ${CMAKE_SOURCE_DIR}/tests/extender/sample_extender.cpp
                ${CMAKE_SOURCE_DIR}/tests/extender/jolsample32.def
          DESTINATION extender)
  install(FILES ${CMAKE_SOURCE_DIR}/dispatch/extender_abi.h DESTINATION extender/dispatch)
  install(FILES ${CMAKE_SOURCE_DIR}/lang/keyword_entry.h DESTINATION extender/lang)
  install(FILES ${CMAKE_SOURCE_DIR}/platform/abi.h DESTINATION extender/platform)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${JOL_GRAMMAR} DESTINATION editor)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "jol-${PROJECT_VERSION}-win32")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  # Installed, jolrun finds the library in ../lib; in the build tree, next
  # to itself.
  set_target_properties(jolrun PROPERTIES INSTALL_RPATH "$ORIGIN:$ORIGIN/../lib")
  set_target_properties(jol jol_platform PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS jol jol_platform LIBRARY DESTINATION lib)
  install(TARGETS jolrun RUNTIME DESTINATION bin)
  install(FILES ${CMAKE_SOURCE_DIR}/include/jol.h DESTINATION include)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/jolrun/jolrun.1 DESTINATION share/man/man1)
  install(FILES ${JOL_GRAMMAR} DESTINATION share/jol/editor)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/jol)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION share/doc/jol/examples)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The package's own libraries answer each other's needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
  set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "JOL developers <jol@localhost>")
endif()

set(CPACK_PACKAGE_NAME jol)
set(CPACK_PACKAGE_VENDOR "JOL")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script processor of an automation language")
set(CPACK_PACKAGE_DESCRIPTION
    "A library that a host program loads, hands a script and that runs it, with jolrun, its command-line host.")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/build/packages)
set(CPACK_STRIP_FILES ON)
include(CPack)
