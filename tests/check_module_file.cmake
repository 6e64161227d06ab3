# Checks a built module file (a lookup module or a host module) as a host's loader sees it: its
# only defined dynamic symbols are the entries named, it carries no library search path, and it
# names the C library it runs on (NEEDED libc.so.6) and, outside sanitizer builds, nothing else
# but the C library's dynamic loader, which a module holding per-thread storage needs.
# Run with -DMODULE=<file> -DEXPORTS=<entry>[,<entry>...] -DNM=<nm> -DREADELF=<readelf>
# [-DSANITIZED=ON].
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${NM} -D --defined-only --format=just-symbols ${MODULE}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REPLACE "\n" ";" symbols "${symbols}")
list(SORT symbols)
string(REPLACE "," ";" expected "${EXPORTS}")
list(SORT expected)
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

# A sanitizer build adds its runtimes and what they need; the C library must be named anyway.
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" needed_lines "${dynamic}")
set(needed)
foreach(line IN LISTS needed_lines)
  string(REGEX REPLACE ".*\\[([^]]*)\\]$" "\\1" library "${line}")
  list(APPEND needed ${library})
endforeach()
if(SANITIZED)
  if(NOT "libc.so.6" IN_LIST needed)
    message(FATAL_ERROR "${MODULE} needs [${needed}], which does not name libc.so.6")
  endif()
else()
  set(beyond_c_library ${needed})
  list(FILTER beyond_c_library EXCLUDE REGEX "^ld-linux[-_a-z0-9]*\\.so\\.[0-9]+$")
  if(NOT beyond_c_library STREQUAL "libc.so.6")
    message(FATAL_ERROR "${MODULE} needs [${needed}], expected only [libc.so.6] and its loader")
  endif()
endif()
message(STATUS "${MODULE}: exports only [${expected}], no search path, needs [${needed}]")
