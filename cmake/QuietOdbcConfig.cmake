# The build's own ODBC configuration, for its tests, its benchmarks and the scripts that run them:
# the machine's drivers as its odbcinst.ini registers them, with psqlODBC's logging off, and no
# data sources (quiet_odbcinst.awk). Debian's odbc-postgresql registers psqlODBC with CommLog=1,
# and psqlODBC falls back on its driver section whenever none of a process's connections is open:
# with the machine's own file, every process that connects to PostgreSQL would leave a
# psqlodbc_*.log in /tmp. The machine's file is only read; it stays as it is, and so does what
# `itemlookup check` tells an operator of it.
#
# Writes into ${CMAKE_BINARY_DIR}/odbc/: odbcinst.ini, odbc.ini, environment.sh (the variables
# that make unixODBC read these files, for a script to source) and environment.cmake, which
# ctest reads before it runs any test of the build, so that every test inherits the variables
# however it was added. unixODBC reads them from the environment of the process that loads it,
# under Wine's ODBC32.DLL as well.
include_guard(GLOBAL)

set(ITEM_LOOKUP_ODBC_CONFIG_DIR ${CMAKE_BINARY_DIR}/odbc)

# The machine's file, as unixODBC itself names it when nothing in the environment points
# elsewhere (as it does when a script that sourced environment.sh configures again).
set(machine_odbcinst /etc/odbcinst.ini)
find_program(ITEM_LOOKUP_ODBCINST odbcinst)
if(ITEM_LOOKUP_ODBCINST)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=ODBCSYSINI --unset=ODBCINSTINI
            ${ITEM_LOOKUP_ODBCINST} -j
    OUTPUT_VARIABLE odbcinst_places ERROR_QUIET)
  if(odbcinst_places MATCHES "DRIVERS\\.*: ([^\n]+)")
    set(machine_odbcinst ${CMAKE_MATCH_1})
  endif()
endif()

set(quiet_odbcinst "")
if(EXISTS ${machine_odbcinst})
  # A driver installed later reaches the tests with the next build.
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                                             ${machine_odbcinst})
  find_program(ITEM_LOOKUP_AWK awk REQUIRED)
  execute_process(
    COMMAND ${ITEM_LOOKUP_AWK} -f ${CMAKE_CURRENT_LIST_DIR}/quiet_odbcinst.awk ${machine_odbcinst}
    OUTPUT_VARIABLE quiet_odbcinst COMMAND_ERROR_IS_FATAL ANY)
else()
  message(WARNING "${machine_odbcinst} not found: the tests' odbcinst.ini names no driver")
endif()

# Written only when changed, so that nothing that reads them is rebuilt or rerun for nothing.
function(item_lookup_write_if_changed file text)
  if(EXISTS ${file})
    file(READ ${file} old_text)
    if(old_text STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE ${file} "${text}")
endfunction()

set(odbc_dir ${ITEM_LOOKUP_ODBC_CONFIG_DIR})
item_lookup_write_if_changed(${odbc_dir}/odbcinst.ini
  "; The drivers of ${machine_odbcinst}, psqlODBC's logging off: written by the build.\n\
${quiet_odbcinst}")
item_lookup_write_if_changed(${odbc_dir}/odbc.ini
  "; No data sources: a test names its driver, or gives a DSN file of its own.\n")
item_lookup_write_if_changed(${odbc_dir}/environment.sh
  "export ODBCSYSINI='${odbc_dir}' ODBCINSTINI=odbcinst.ini ODBCINI='${odbc_dir}/odbc.ini'\n")
item_lookup_write_if_changed(${odbc_dir}/environment.cmake "set(ENV{ODBCSYSINI} \"${odbc_dir}\")
set(ENV{ODBCINSTINI} odbcinst.ini)
set(ENV{ODBCINI} \"${odbc_dir}/odbc.ini\")\n")
unset(odbc_dir)
