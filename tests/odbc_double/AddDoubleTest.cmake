# add_double_test(<name> <source>...)
#
# A GoogleTest executable whose process uses the ODBC test double as libodbc.so.2: lookup modules
# it loads reach the double, and the stand-in PGMS modules of the host directory share its state.
# Links odbc_double, lookup_host and GTest::gtest_main; runs from the host directory; builds the
# stand-ins and the lookup modules first. Include this file from any test folder.
include_guard(DIRECTORY)
include(${CMAKE_CURRENT_LIST_DIR}/../AddGoogleTestCases.cmake)

set(ODBC_DOUBLE_DIR ${CMAKE_BINARY_DIR}/tests/odbc_double)
set(ODBC_DOUBLE_HOST_DIR ${CMAKE_BINARY_DIR}/tests/double_host)

function(add_double_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE odbc_double lookup_host GTest::gtest_main)
  # Keep the double a dependency of the process even where a test names none of its functions.
  target_link_options(${name} PRIVATE "LINKER:--no-as-needed")
  # The double must win over the installed driver manager of the same name.
  set_target_properties(${name} PROPERTIES BUILD_RPATH ${ODBC_DOUBLE_DIR})
  add_dependencies(${name} stand_in_solvake stand_in_tarnivel)
  foreach(module VELDORIN MARQUETH)
    if(TARGET ${module})
      add_dependencies(${name} ${module})
    endif()
  endforeach()
  add_gtest_cases(${name}
    WORKING_DIRECTORY ${ODBC_DOUBLE_HOST_DIR}
    PROPERTIES ENVIRONMENT_MODIFICATION "LD_LIBRARY_PATH=path_list_prepend:${ODBC_DOUBLE_DIR}")
endfunction()
