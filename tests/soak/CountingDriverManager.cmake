# use_counting_driver_manager(<target>): the target's libodbc.so.2 is the installed driver manager
# behind a layer that counts open statement handles and records what lookups call
# (counting_driver_manager.hpp). Include this file from any test folder.
include_guard(GLOBAL)

# The installed driver manager by its full path: by name the layer would find itself.
find_library(ODBC_LIBRARY odbc REQUIRED)
file(REAL_PATH ${ODBC_LIBRARY} real_driver_manager)
set(COUNTING_DM_DIR ${CMAKE_BINARY_DIR}/tests/counting_driver_manager)
add_library(counting_driver_manager SHARED ${CMAKE_CURRENT_LIST_DIR}/counting_driver_manager.cpp)
target_include_directories(counting_driver_manager PUBLIC ${CMAKE_CURRENT_LIST_DIR}
                                                          ${ODBC_INCLUDE_DIR})
target_link_libraries(counting_driver_manager PRIVATE ${CMAKE_DL_LIBS})
target_compile_definitions(counting_driver_manager PRIVATE
  ITEM_LOOKUP_REAL_DRIVER_MANAGER="${real_driver_manager}")
set_target_properties(counting_driver_manager PROPERTIES
  OUTPUT_NAME odbc SUFFIX ".so.2" NO_SONAME OFF
  LIBRARY_OUTPUT_DIRECTORY ${COUNTING_DM_DIR})

function(use_counting_driver_manager target)
  set(COUNTING_DM_DIR ${CMAKE_BINARY_DIR}/tests/counting_driver_manager)
  target_link_libraries(${target} PRIVATE counting_driver_manager)
  # Its own run path: CMake's would warn that the layer hides the installed library, which is
  # the point.
  target_link_options(${target} PRIVATE "LINKER:--no-as-needed" "LINKER:-rpath,${COUNTING_DM_DIR}")
  set_target_properties(${target} PROPERTIES SKIP_BUILD_RPATH ON)
endfunction()

