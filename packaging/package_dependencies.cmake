# Run by cpack (through CPACK_PROJECT_CONFIG_FILE) with ITEM_LOOKUP_PACKAGE_BINARIES and
# ITEM_LOOKUP_SHLIBDEPS_DIR set: the Debian package's Depends.
#
# libodbc2 always: the modules open the driver manager by name at run time, which no linker
# records. Then whatever dpkg-shlibdeps finds the built binaries linking. CPack's own
# dpkg-shlibdeps run is left off because it also writes postinst and postrm scripts that run
# ldconfig for lib/item-lookup, a private folder the dynamic linker never searches.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(ITEM_LOOKUP_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT ITEM_LOOKUP_DPKG_SHLIBDEPS)
  message(WARNING "dpkg-shlibdeps (package dpkg-dev) not found: Depends names the libraries "
                  "without versions")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libodbc2, libc6, libstdc++6, libgcc-s1")
  return()
endif()

# dpkg-shlibdeps wants a debian/control in the folder it runs from, even an empty one.
file(MAKE_DIRECTORY ${ITEM_LOOKUP_SHLIBDEPS_DIR}/debian)
file(WRITE ${ITEM_LOOKUP_SHLIBDEPS_DIR}/debian/control "")
set(arguments)
foreach(binary IN LISTS ITEM_LOOKUP_PACKAGE_BINARIES)
  list(APPEND arguments -e${binary})
endforeach()
execute_process(COMMAND ${ITEM_LOOKUP_DPKG_SHLIBDEPS} -O ${arguments}
  WORKING_DIRECTORY ${ITEM_LOOKUP_SHLIBDEPS_DIR}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]*)")
  message(FATAL_ERROR "dpkg-shlibdeps failed (${result}):\n${output}${errors}")
endif()
set(linked "${CMAKE_MATCH_1}")
if(linked MATCHES "(^|, )libodbc2( |,|$)")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${linked}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libodbc2, ${linked}")
endif()
