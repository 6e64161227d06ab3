/* Compiled as C89 by each mingw-w64 compiler: the handle fields of item_lookup.h are as wide as
   the ODBC handle of the target, 4 bytes for a 32-bit host (the original layout) and 8 for a
   64-bit one, and a host's fields laid out from the parameter tables hold the handles aligned.
   The width the target must have comes from CMake's processor name, not from the compiler. */
/* sql.h takes its base types from windows.h. */
#include <windows.h>

#include <sql.h>
#include <stddef.h>

#include "item_lookup.h"

#define CHECK(what, holds) typedef char handle_width_##what[(holds) ? 1 : -1];

CHECK(is_the_odbc_handle, LOOKUP_HANDLE_SIZE == sizeof(SQLHANDLE))
CHECK(is_the_target_width, LOOKUP_HANDLE_SIZE == EXPECTED_HANDLE_SIZE)

/* The host's VELDORIN fields as one record, straight from the table: text and digits as bytes,
   handles as item_lookup_handle. */
#define LOOKUP_FIELD_TYPE_LOOKUP_TEXT(name, size) char name[size];
#define LOOKUP_FIELD_TYPE_LOOKUP_DIGITS(name, size) char name[size];
#define LOOKUP_FIELD_TYPE_LOOKUP_HANDLE(name, size) item_lookup_handle name;
#define RECORD_FIELD(name, kind, size, decimals) LOOKUP_FIELD_TYPE_##kind(name, size)
struct veldorin_record {
  VELDORIN_PARAMETERS(RECORD_FIELD)
};
struct marqueth_record {
  MARQUETH_PARAMETERS(RECORD_FIELD)
};

CHECK(veldorin_environment_aligned,
      offsetof(struct veldorin_record, environment_handle) % EXPECTED_HANDLE_SIZE == 0)
CHECK(veldorin_connection_follows,
      offsetof(struct veldorin_record, connection_handle) ==
          offsetof(struct veldorin_record, environment_handle) + EXPECTED_HANDLE_SIZE)
CHECK(marqueth_connection_follows,
      offsetof(struct marqueth_record, connection_handle) ==
          offsetof(struct marqueth_record, environment_handle) + EXPECTED_HANDLE_SIZE)
CHECK(marqueth_record_ends_with_handles,
      sizeof(struct marqueth_record) ==
          offsetof(struct marqueth_record, connection_handle) + EXPECTED_HANDLE_SIZE)

/* The entry points as the header declares them, taken as the C convention's function pointers:
   a header that declared another convention would not convert without a cast. */
int (*const veldorin_as_c_function)(void*, void*, void*, void*, void*, void*, void*, void*, void*,
                                    void*, void*, void*, void*, void*, void*, void*,
                                    void*) = VELDORIN;
