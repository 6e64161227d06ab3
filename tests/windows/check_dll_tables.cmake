# Checks a Windows DLL as a host's loader sees it, from objdump -p: its export table names
# exactly the entries given, undecorated, and its import table names only Windows system DLLs and
# the C runtime: no C++ runtime, libgcc or winpthread DLL a host would have to ship, and no
# ODBC32.DLL, which the modules bind at first use so that a missing one never stops a load.
# Run with -DDLL=<file> -DEXPORTS=<entry>[,<entry>...] -DOBJDUMP=<mingw objdump>. A program
# (itemlookup.exe) gives -DEXPORTS= (none) and -DALSO_IMPORTS=odbc32,odbccp32: it may import the
# driver manager and its ini reader, as any ODBC program does.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${DLL}
  OUTPUT_VARIABLE tables RESULT_VARIABLE objdump_result)
if(NOT objdump_result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

# The name pointer table: lines "\t[   0] VELDORIN" after "[Ordinal/Name Pointer] Table".
string(FIND "${tables}" "[Ordinal/Name Pointer] Table" names_at)
if(names_at EQUAL -1 AND NOT EXPORTS STREQUAL "")
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
set(names_text "")
if(NOT names_at EQUAL -1)
  string(SUBSTRING "${tables}" ${names_at} -1 names_text)
endif()
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\n]+" name_lines "${names_text}")
set(exported)
foreach(line IN LISTS name_lines)
  string(REGEX REPLACE "^\n\t\\[ *[0-9]+\\] " "" name "${line}")
  list(APPEND exported "${name}")
endforeach()
list(SORT exported)
string(REPLACE "," ";" expected "${EXPORTS}")
list(SORT expected)
if(NOT "${exported}" STREQUAL "${expected}")
  message(FATAL_ERROR "${DLL} exports [${exported}], expected only [${expected}]")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${tables}")
if(NOT import_lines)
  message(FATAL_ERROR "${DLL} imports nothing: objdump's output was not understood")
endif()
string(REPLACE "," ";" also_imported "${ALSO_IMPORTS}")
list(TRANSFORM also_imported APPEND ".dll")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^DLL Name: " "" imported "${line}")
  string(TOLOWER "${imported}" imported_lower)
  if(NOT imported_lower MATCHES "^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\\.dll$" AND
     NOT imported_lower IN_LIST also_imported)
    message(FATAL_ERROR "${DLL} imports ${imported}: only Windows system DLLs and the C runtime may be imported")
  endif()
endforeach()
