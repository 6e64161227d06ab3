# Shared by the mingw-w64 toolchain files, which set MINGW_TRIPLE first: Windows DLLs built on
# Linux with Debian's mingw-w64 cross compilers. The posix thread model, so that thread_local
# and std::atomic come from the static winpthread rather than from a DLL the host must ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${MINGW_TRIPLE}-objdump)

# Headers and import libraries (sql.h, odbc32) come from the mingw-w64 tree only; programs such
# as the shell and the sqlite3 shell come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
