# Runs the C example host on a fresh SQLite demo database from a scratch directory (no PGMS/
# there: the host modules must come from beside the module) and compares its output exactly.
#
#   -DHOST=<item_lookup_example>  -DMODULE=<VELDORIN.so>
#   -DMAKE_DEMO_DATABASE=<make_demo_database>: makes the database, as itemlookup does
#   -DWORK_DIR=<scratch folder, emptied first>  -DEXPECTED=<expected standard output>
#   -DINPUT=<standard input>, optional
#   -DLAUNCHER=<program the host runs under>, optional: wine64 for a Windows build, whose C
#    runtime ends its lines with CR LF
foreach(var HOST MODULE MAKE_DEMO_DATABASE WORK_DIR EXPECTED)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(database ${WORK_DIR}/demo.db)
execute_process(COMMAND ${MAKE_DEMO_DATABASE} ${database} COMMAND_ERROR_IS_FATAL ANY)

set(input)
if(DEFINED INPUT)
  set(input INPUT_FILE ${INPUT})
endif()
execute_process(COMMAND ${LAUNCHER} ${HOST} ${MODULE} "DRIVER=SQLite3;Database=${database};"
  WORKING_DIRECTORY ${WORK_DIR} ${input}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${WORK_DIR})
if(DEFINED LAUNCHER)
  string(REPLACE "\r\n" "\n" output "${output}")
endif()

if(NOT result EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "the example ended with ${result}\nstdout:\n${output}\nstderr:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "the example's output differs.\nexpected:\n${expected}\nactual:\n${output}")
endif()
