# Builds the Debian package with scripts/package (its own Release tree, lintian with no error or
# warning) and checks that it holds what a host needs, names the packages it relies on, runs no
# maintainer script, and works unpacked anywhere.
#   -DPACKAGE_SCRIPT=<scripts/package> -DPACKAGE_BUILD=<its build folder>
find_program(DPKG_DEB dpkg-deb REQUIRED)

execute_process(COMMAND ${CMAKE_COMMAND} -E env ITEM_LOOKUP_PACKAGE_BUILD=${PACKAGE_BUILD}
                        ${PACKAGE_SCRIPT}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scripts/package failed:\n${output}")
endif()
string(REGEX MATCH "[^\n]+\\.deb\n*$" package "${output}")
string(STRIP "${package}" package)
if(NOT EXISTS "${package}")
  message(FATAL_ERROR "scripts/package named no package:\n${output}")
endif()

execute_process(COMMAND ${DPKG_DEB} --contents ${package} OUTPUT_VARIABLE contents
  COMMAND_ERROR_IS_FATAL ANY)
set(required
  ./usr/lib/item-lookup/VELDORIN.so
  ./usr/lib/item-lookup/MARQUETH.so
  ./usr/lib/item-lookup/PGMS/SOLVAKE.so
  ./usr/lib/item-lookup/PGMS/TARNIVEL.so
  ./usr/bin/itemlookup
  ./usr/share/man/man1/itemlookup.1.gz
  ./usr/include/item_lookup.h
  ./usr/share/item-lookup/cobol/VELDORIN.cpy
  ./usr/share/item-lookup/cobol/MARQUETH.cpy
  ./usr/share/item-lookup/db/mariadb/schema.sql
  ./usr/share/doc/item-lookup/README.md
  ./usr/share/doc/item-lookup/docs/host-interface.md
  ./usr/share/doc/item-lookup/copyright
  ./usr/share/doc/item-lookup/changelog.gz
  ./usr/share/doc/item-lookup/examples/item_lookup_example.c
  ./usr/share/doc/item-lookup/examples/item_lookup_reconnect.c
  ./usr/share/doc/item-lookup/examples/item_lookup_host.cob)
set(missing)
foreach(path ${required})
  string(FIND "${contents}" " ${path}\n" at)
  if(at EQUAL -1)
    list(APPEND missing ${path})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "the package lacks: ${missing}\ncontents:\n${contents}")
endif()

# Each field holds these packages (versions aside) and, for Depends, not the ODBC tools.
function(field_of name out)
  execute_process(COMMAND ${DPKG_DEB} --field ${package} ${name} OUTPUT_VARIABLE value
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
foreach(field_and_values "Depends;libodbc2;libc6" "Recommends;libsqliteodbc"
                         "Suggests;odbc-postgresql;odbc-mariadb;unixodbc")
  list(POP_FRONT field_and_values field)
  field_of(${field} present)
  foreach(value ${field_and_values})
    if(NOT present MATCHES "(^|, )${value}($|,| )")
      message(FATAL_ERROR "${field} is \"${present}\", without ${value}")
    endif()
  endforeach()
endforeach()
field_of(Depends depends)
if(depends MATCHES "(^|, )unixodbc")
  message(FATAL_ERROR "Depends is \"${depends}\": the library is libodbc2, not the ODBC tools")
endif()
execute_process(COMMAND ${DPKG_DEB} --info ${package} OUTPUT_VARIABLE info
  COMMAND_ERROR_IS_FATAL ANY)
if(info MATCHES "(postinst|postrm|preinst|prerm|triggers)")
  message(FATAL_ERROR "the package runs maintainer scripts:\n${info}")
endif()

# Unpacked into a scratch folder and run from another: the command-line host finds its modules
# beside its own prefix and creates the demo database.
set(scratch ${PACKAGE_BUILD}/package-check)
file(REMOVE_RECURSE ${scratch})
file(MAKE_DIRECTORY ${scratch}/home)
execute_process(COMMAND ${DPKG_DEB} -x ${package} ${scratch}/root COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env HOME=${scratch}/home --unset=XDG_DATA_HOME
          ${scratch}/root/usr/bin/itemlookup --json customer-unit C 42 1001
  WORKING_DIRECTORY ${scratch}/home
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
set(expected [[{"command":"customer-unit","module":"MARQUETH","function_code":"4","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{"unit":"CX","factor":12.3456789},"status":"00000","meaning":"found","found":true,"return_code":0}
]])
if(NOT result EQUAL 0 OR NOT output STREQUAL expected OR NOT errors STREQUAL "")
  message(FATAL_ERROR "the unpacked itemlookup ended with ${result}\n${output}${errors}")
endif()
file(REMOVE_RECURSE ${scratch})
