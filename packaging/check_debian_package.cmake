# Builds the Debian package into a scratch folder and checks that it holds what a host needs
# and names the ODBC packages it relies on.
#   -DCPACK=<cpack> -DCONFIG=<CPackConfig.cmake> -DOUTPUT_DIR=<scratch folder>
find_program(DPKG_DEB dpkg-deb REQUIRED)

file(REMOVE_RECURSE ${OUTPUT_DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${CONFIG} -B ${OUTPUT_DIR}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages ${OUTPUT_DIR}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${OUTPUT_DIR}, found: ${packages}")
endif()

execute_process(COMMAND ${DPKG_DEB} --contents ${packages} OUTPUT_VARIABLE contents
  COMMAND_ERROR_IS_FATAL ANY)
set(required
  ./usr/lib/item-lookup/VELDORIN.so
  ./usr/lib/item-lookup/MARQUETH.so
  ./usr/lib/item-lookup/PGMS/SOLVAKE.so
  ./usr/lib/item-lookup/PGMS/TARNIVEL.so
  ./usr/bin/itemlookup
  ./usr/include/item_lookup.h
  ./usr/share/item-lookup/cobol/VELDORIN.cpy
  ./usr/share/item-lookup/cobol/MARQUETH.cpy)
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

foreach(field_and_value "Depends;unixodbc" "Recommends;libsqliteodbc")
  list(GET field_and_value 0 field)
  list(GET field_and_value 1 value)
  execute_process(COMMAND ${DPKG_DEB} --field ${packages} ${field} OUTPUT_VARIABLE present
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  if(NOT present MATCHES "(^|, )${value}($|,| )")
    message(FATAL_ERROR "${field} is \"${present}\", without ${value}")
  endif()
endforeach()
file(REMOVE_RECURSE ${OUTPUT_DIR})
