/* What unixODBC's configure writes for 32-bit x86 Linux: sqltypes.h reads the size of a long
   from here and makes SQLLEN and SQLULEN as wide (4 bytes). unixodbc-dev installs only the
   machine's own (64-bit) copy. */
#define HAVE_LONG_LONG 1
#define HAVE_PWD_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_UNISTD_H 1
#define SIZEOF_LONG_INT 4
