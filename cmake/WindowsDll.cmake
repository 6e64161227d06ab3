# item_lookup_windows_dll(<target> <folder> <entry>...): makes a MODULE library the Windows DLL a
# host loads: <folder>/<target>.DLL exporting exactly the entries named, undecorated in the C
# calling convention, through a .def file. The C++ runtime, libgcc and winpthread are linked in,
# so the DLL imports nothing but Windows system DLLs and the C runtime.
function(item_lookup_windows_dll target folder)
  set(definitions ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  list(JOIN ARGN "\n  " entries)
  file(CONFIGURE OUTPUT ${definitions} CONTENT "EXPORTS\n  ${entries}\n")
  target_link_options(${target} PRIVATE ${definitions} -static -static-libgcc -static-libstdc++)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".DLL"
    OUTPUT_NAME ${target}
    LIBRARY_OUTPUT_DIRECTORY ${folder}
    LINK_DEPENDS ${definitions})
endfunction()
