# Runs a Windows host under Wine from a scratch folder and compares its whole standard output,
# line ends aside (the C runtime writes CR LF), with the expected text.
#
#   -DWINE=<wine64>  -DHOST=<program.exe>  -DWORK_DIR=<scratch folder, emptied first>
#   -DEXPECTED=<expected standard output>  -DARGUMENTS=<arguments, separated by |>
#   -DOWN_MESSAGE_MODULE=<DLL>: copied to PGMS\SOLVAKE.DLL in the scratch folder, optional
#   -DMAKE_DEMO_DATABASE=<make_demo_database>: makes demo.db in the scratch folder, optional;
#    @DEMO_DB@ in the arguments stands for its path
# WINEPREFIX and WINEDEBUG come from the test's environment.
foreach(var WINE HOST WORK_DIR EXPECTED ARGUMENTS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
if(DEFINED OWN_MESSAGE_MODULE)
  file(MAKE_DIRECTORY ${WORK_DIR}/PGMS)
  file(COPY_FILE ${OWN_MESSAGE_MODULE} ${WORK_DIR}/PGMS/SOLVAKE.DLL)
endif()
if(DEFINED MAKE_DEMO_DATABASE)
  execute_process(COMMAND ${MAKE_DEMO_DATABASE} ${WORK_DIR}/demo.db COMMAND_ERROR_IS_FATAL ANY)
endif()
string(REPLACE "@DEMO_DB@" "${WORK_DIR}/demo.db" arguments "${ARGUMENTS}")
string(REPLACE "|" ";" arguments "${arguments}")

execute_process(COMMAND ${WINE} ${HOST} ${arguments}
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${WORK_DIR})
string(REPLACE "\r\n" "\n" output "${output}")

if(NOT result EQUAL 0)
  message(FATAL_ERROR "the host ended with ${result}\nstdout:\n${output}\nstderr:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "the host's output differs.\nexpected:\n${expected}\nactual:\n${output}\n"
                      "stderr:\n${errors}")
endif()
