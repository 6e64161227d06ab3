# Runs the example COBOL host against a fresh SQLite demo database and compares its output,
# line for line, with the expected output.
#
#   -DHOST=<itemhost>            the compiled example
#   -DMAKE_DEMO_DATABASE=<program>  make_demo_database (tests/support)
#   -DWORK_DIR=<folder>          scratch folder, emptied first
#   -DEXPECTED=<file>            expected standard output
#   -DCONNECT_VIA=argument|environment
#   -DHOST_PRELOAD=<libraries>   LD_PRELOAD for the host alone (a sanitizer runtime), or empty
# The current directory is the modules' folder (PGMS/ beside them); COB_LIBRARY_PATH is set by
# the test.
foreach(var HOST MAKE_DEMO_DATABASE WORK_DIR EXPECTED CONNECT_VIA)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

set(host_environment)
if(HOST_PRELOAD)
  set(host_environment "LD_PRELOAD=${HOST_PRELOAD}")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(database ${WORK_DIR}/demo.db)
execute_process(COMMAND ${MAKE_DEMO_DATABASE} ${database} RESULT_VARIABLE created)
if(NOT created EQUAL 0)
  message(FATAL_ERROR "could not create the demo database: ${created}")
endif()

# Quoted wherever it is used: unquoted, CMake would split it at its semicolons.
set(connect "DRIVER=SQLite3;Database=${database};")
if(CONNECT_VIA STREQUAL "argument")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${host_environment} ${HOST} "${connect}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
else()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${host_environment}
                          "ITEM_LOOKUP_CONNECT=${connect}" ${HOST}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
endif()
file(REMOVE_RECURSE ${WORK_DIR})

if(NOT result EQUAL 0)
  message(FATAL_ERROR "itemhost ended with ${result}\nstdout:\n${output}\nstderr:\n${errors}")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "itemhost wrote to standard error:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "itemhost output differs.\nexpected:\n${expected}\nactual:\n${output}")
endif()
