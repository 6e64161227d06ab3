# For test scripts (include()): a host run with the driver manager's trace on, so that a test can
# read what the host sent, such as the connection string it connected with.
#
#   traced_odbc(<folder> <environment-variable>)
#     writes <folder>/odbcinst.ini: the build's drivers (ctest's ODBCSYSINI, else /etc's) with the
#     trace on; <environment-variable> gets the NAME=value words that point a host at it.
#   read_odbc_trace(<variable>)
#     the trace, empty when there is none; its folder is removed.

function(traced_odbc folder environment)
  set(drivers /etc/odbcinst.ini)
  if(DEFINED ENV{ODBCSYSINI})
    set(drivers $ENV{ODBCSYSINI}/odbcinst.ini)
  endif()
  file(READ ${drivers} odbcinst)
  # The driver manager keeps only the first 63 bytes of the trace file's path: a short folder.
  set(base /tmp)
  if(DEFINED ENV{TMPDIR})
    string(LENGTH "$ENV{TMPDIR}" length)
    if(length LESS 40)
      set(base $ENV{TMPDIR})
    endif()
  endif()
  string(RANDOM LENGTH 8 tag)
  set(trace_folder ${base}/odbc-trace-${tag})
  file(MAKE_DIRECTORY ${trace_folder})
  set(traced_odbc_folder ${trace_folder} PARENT_SCOPE)
  file(WRITE ${folder}/odbcinst.ini
       "${odbcinst}\n[ODBC]\nTrace=Yes\nTraceFile=${trace_folder}/trace.log\n")
  set(${environment} ODBCSYSINI=${folder} ODBCINSTINI=odbcinst.ini PARENT_SCOPE)
endfunction()

function(read_odbc_trace variable)
  set(trace "")
  if(EXISTS ${traced_odbc_folder}/trace.log)
    file(READ ${traced_odbc_folder}/trace.log trace)
  endif()
  file(REMOVE_RECURSE ${traced_odbc_folder})
  set(${variable} "${trace}" PARENT_SCOPE)
endfunction()
