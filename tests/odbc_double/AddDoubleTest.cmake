# add_double_test(<name> <source>...)
#
# A GoogleTest executable whose process uses the ODBC test double as libodbc.so.2: lookup modules
# it loads reach the double, and the stand-in PGMS modules of the host directory share its state.
# Links odbc_double, lookup_host and GTest::gtest_main; runs from the host directory; builds the
# stand-ins and the lookup modules first. Include this file from any test folder.
#
# On Windows (scripts/build-windows) the program imports the double as ODBC32.DLL, which the
# modules then find already loaded, and runs under Wine as ONE test, as each Wine start costs about a second.
include_guard(DIRECTORY)
include(${CMAKE_CURRENT_LIST_DIR}/../AddGoogleTestCases.cmake)

set(ODBC_DOUBLE_DIR ${CMAKE_BINARY_DIR}/tests/odbc_double)
set(ODBC_DOUBLE_HOST_DIR ${CMAKE_BINARY_DIR}/tests/double_host)
# Under Wine the build machine's root is drive Z:.
if(WIN32)
  set(ODBC_DOUBLE_ROOT "Z:")
else()
  set(ODBC_DOUBLE_ROOT "")
endif()

function(add_double_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE odbc_double lookup_host GTest::gtest_main)
  add_dependencies(${name} stand_in_solvake stand_in_tarnivel)
  foreach(module VELDORIN MARQUETH)
    if(TARGET ${module})
      add_dependencies(${name} ${module})
    endif()
  endforeach()
  if(WIN32)
    add_wine_suite(${name})
    return()
  endif()
  # Keep the double a dependency of the process even where a test names none of its functions.
  target_link_options(${name} PRIVATE "LINKER:--no-as-needed")
  # The double must win over the installed driver manager of the same name.
  set_target_properties(${name} PROPERTIES BUILD_RPATH ${ODBC_DOUBLE_DIR})
  add_gtest_cases(${name}
    WORKING_DIRECTORY ${ODBC_DOUBLE_HOST_DIR}
    PROPERTIES ENVIRONMENT_MODIFICATION "LD_LIBRARY_PATH=path_list_prepend:${ODBC_DOUBLE_DIR}")
endfunction()

# add_wine_suite(<name>): the GoogleTest program <name>, built for Windows, placed beside
# ODBC32.DLL and run under Wine in the prefix of tests/windows from the host directory. Every case
# of the suites runs there; one that cannot would be left out here with --gtest_filter.
function(add_wine_suite name)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ODBC_DOUBLE_DIR})
  target_link_options(${name} PRIVATE -static)
  add_test(NAME ${name}
    COMMAND ${ITEM_LOOKUP_WINE} $<TARGET_FILE:${name}> --gtest_brief=1
    WORKING_DIRECTORY ${ODBC_DOUBLE_HOST_DIR})
  # odbc32=n: the program's import is the double, never Wine's own driver manager.
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_prefix RUN_SERIAL ON LABELS wine
    ENVIRONMENT "${ITEM_LOOKUP_WINE_ENVIRONMENT};WINEDLLOVERRIDES=odbc32=n")
endfunction()
