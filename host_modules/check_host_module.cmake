# Checks a built host module: its only defined dynamic symbols are its entry point and the entry
# its host reads it through (<entry>_TAKE), and it carries no library search path. Run with
# -DMODULE=<file> -DENTRY=<name> -DNM=<nm> -DREADELF=<readelf>.

execute_process(COMMAND ${NM} -D --defined-only --format=just-symbols ${MODULE}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REPLACE "\n" ";" symbols "${symbols}")
list(SORT symbols)
set(expected ${ENTRY} ${ENTRY}_TAKE)
if(NOT symbols STREQUAL expected)
  message(FATAL_ERROR "${MODULE} exports [${symbols}], expected only [${expected}]")
endif()

execute_process(COMMAND ${READELF} -d ${MODULE}
  OUTPUT_VARIABLE dynamic RESULT_VARIABLE readelf_result)
if(NOT readelf_result EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${MODULE}")
endif()
if(dynamic MATCHES "\\((RPATH|RUNPATH)\\)")
  message(FATAL_ERROR "${MODULE} carries a library search path:\n${dynamic}")
endif()
message(STATUS "${MODULE}: exports only ${expected}, no search path")
