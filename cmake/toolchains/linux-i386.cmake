# 32-bit x86 Linux with the machine's multilib compilers (g++-multilib): pointers, and with them
# ODBC handles and SQLLEN, are 4 bytes, as in the 32-bit Windows layout the hosts' DLLs share. The
# programs run natively with -DITEM_LOOKUP_I386_NATIVE=ON, on a machine that runs 32-bit code
# (scripts/runs-32-bit-code), otherwise under user-mode emulation (qemu-user-static).
#   cmake -S . -B build-i386 --toolchain cmake/toolchains/linux-i386.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# unixodbc-dev installs the size of a long for the machine's own architecture only; the folder
# beside this file gives sqltypes.h the i386 one, so that SQLLEN and SQLULEN come out 4 bytes.
set(CMAKE_C_FLAGS_INIT "-m32 -isystem ${CMAKE_CURRENT_LIST_DIR}/linux-i386")
set(CMAKE_CXX_FLAGS_INIT "-m32 -isystem ${CMAKE_CURRENT_LIST_DIR}/linux-i386")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# Otherwise ctest, and GoogleTest's test discovery, run every test program through the emulator.
if(NOT ITEM_LOOKUP_I386_NATIVE)
  find_program(ITEM_LOOKUP_QEMU_I386 qemu-i386-static REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ITEM_LOOKUP_QEMU_I386})
endif()
