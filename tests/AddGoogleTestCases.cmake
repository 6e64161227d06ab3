# add_gtest_cases(<target> [WORKING_DIRECTORY <dir>] [PROPERTIES <name> <value>...])
#
# The tests of a GoogleTest program: one ctest test per test case, found by running the program
# (gtest_discover_tests). Under an emulator (a cross build, e.g. the 32-bit one run with
# qemu-i386-static) each process start costs about half a second, which per test case would make
# minutes of a suite that runs in one: there the whole program is one test, all cases in one
# process, and a failure names its cases in the test's output.
include_guard(GLOBAL)
include(GoogleTest)

# How long a test program may take to list its cases: a sanitizer build's program, started while
# the machine is busy building, can take more than GoogleTest's default of 5 s, which fails the build.
set(ITEM_LOOKUP_TEST_LISTING_SECONDS 60)

function(add_gtest_cases target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "WORKING_DIRECTORY" "PROPERTIES")
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(where)
    if(arg_WORKING_DIRECTORY)
      set(where WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
    endif()
    set(properties)
    if(arg_PROPERTIES)
      set(properties PROPERTIES ${arg_PROPERTIES})
    endif()
    gtest_discover_tests(${target} ${where} DISCOVERY_TIMEOUT ${ITEM_LOOKUP_TEST_LISTING_SECONDS}
      ${properties})
    return()
  endif()
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${target} COMMAND ${target} WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  if(arg_PROPERTIES)
    set_tests_properties(${target} PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()
