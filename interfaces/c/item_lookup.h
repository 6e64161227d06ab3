/*
 * Item master data lookup modules: what a C host needs to call VELDORIN and MARQUETH.
 *
 * Every parameter is the address of a host field. Text fields (X(n)) are n bytes, padded with
 * spaces, without terminator. Numeric fields (9(p)V9(s)) are p + s ASCII digits with an implied
 * decimal point and no sign. Handle fields hold the ODBC handle itself (SQLHANDLE, pointer-sized:
 * LOOKUP_HANDLE_SIZE, 4 bytes for a 32-bit host, 8 for a 64-bit one; COBOL USAGE POINTER).
 * The value returned is the module's 16-bit return code, zero-extended (-1 reads 65535).
 *
 * The modules load "PGMS/SOLVAKE.so" and "PGMS/TARNIVEL.so" from the host's current directory or,
 * failing that, from the folder of the path the module was loaded by, then from the folder of its
 * real file (symlinks resolved); both folders are fixed when the module is loaded. Calls into one
 * loaded module must not overlap.
 *
 * Windows: VELDORIN.DLL and MARQUETH.DLL load "PGMS\SOLVAKE.DLL" and "PGMS\TARNIVEL.DLL" from the
 * host's current folder or, failing that, from the folder of the DLL's own file. Every entry point
 * here, in both widths, uses the C calling convention (__cdecl, the caller removes the arguments),
 * the default of C compilers and of Windows COBOL runtimes, and is exported undecorated. A host
 * whose calls default to stdcall (a "winapi" or "stdcall" setting) names the C convention for
 * these calls: __cdecl on the C function pointer, or its COBOL runtime's per-call convention
 * clause. The message module and converter a host brings must use the C convention too.
 */
#ifndef ITEM_LOOKUP_H
#define ITEM_LOOKUP_H

#ifdef __cplusplus
extern "C" {
#endif

/* A handle field: the ODBC handle itself, as wide as a pointer of the host's width. */
typedef void* item_lookup_handle;
#define LOOKUP_HANDLE_SIZE sizeof(item_lookup_handle)

/* The kinds of parameter field the tables below name. */
enum item_lookup_field_kind {
  LOOKUP_TEXT,   /* X(size): size bytes padded with spaces, no terminator */
  LOOKUP_DIGITS, /* 9(size - decimals)V9(decimals): size ASCII digits, no sign */
  LOOKUP_HANDLE  /* an ODBC handle (SQLHANDLE), LOOKUP_HANDLE_SIZE bytes; size 0 */
};

/*
 * Each module's parameters in call order, once: X(name, kind, size, decimals). The widths below,
 * the modules' parameter positions and every host field list of this project follow from these
 * two tables, and the COBOL copybooks are checked against them. A host expands them with a macro
 * of its own, for instance
 *
 *   #define SHOW_FIELD(name, kind, size, decimals) printf("%-20s %d\n", #name, size);
 *   VELDORIN_PARAMETERS(SHOW_FIELD)
 */
#define VELDORIN_PARAMETERS(X)               \
  X(function_code, LOOKUP_TEXT, 1, 0)        \
  X(item_code, LOOKUP_TEXT, 16, 0)           \
  X(sales_family, LOOKUP_TEXT, 10, 0)        \
  X(external_code, LOOKUP_TEXT, 16, 0)       \
  X(barcode, LOOKUP_TEXT, 16, 0)             \
  X(description, LOOKUP_TEXT, 55, 0)         \
  X(trace_flag, LOOKUP_TEXT, 1, 0)           \
  X(detail_flag, LOOKUP_TEXT, 1, 0)          \
  X(anvisa_code, LOOKUP_TEXT, 13, 0)         \
  X(pmc_value, LOOKUP_DIGITS, 12, 2)         \
  X(pmv_value, LOOKUP_DIGITS, 12, 2)         \
  X(net_weight, LOOKUP_DIGITS, 11, 3)        \
  X(gross_weight, LOOKUP_DIGITS, 11, 3)      \
  X(status, LOOKUP_TEXT, 5, 0)               \
  X(database_kind, LOOKUP_TEXT, 15, 0)       \
  X(environment_handle, LOOKUP_HANDLE, 0, 0) \
  X(connection_handle, LOOKUP_HANDLE, 0, 0)

#define MARQUETH_PARAMETERS(X)               \
  X(function_code, LOOKUP_TEXT, 1, 0)        \
  X(customer_kind, LOOKUP_TEXT, 1, 0)        \
  X(customer_code, LOOKUP_DIGITS, 5, 0)      \
  X(item_code, LOOKUP_TEXT, 16, 0)           \
  X(customer_item_code, LOOKUP_TEXT, 50, 0)  \
  X(unit, LOOKUP_TEXT, 4, 0)                 \
  X(factor, LOOKUP_DIGITS, 15, 7)            \
  X(minimum_lot, LOOKUP_DIGITS, 11, 3)       \
  X(order_multiple, LOOKUP_DIGITS, 11, 3)    \
  X(barcode, LOOKUP_TEXT, 16, 0)             \
  X(days, LOOKUP_DIGITS, 4, 0)               \
  X(status, LOOKUP_TEXT, 5, 0)               \
  X(database_kind, LOOKUP_TEXT, 15, 0)       \
  X(environment_handle, LOOKUP_HANDLE, 0, 0) \
  X(connection_handle, LOOKUP_HANDLE, 0, 0)

/* A field's size and decimals by name: VELDORIN_SIZE(item_code) is the int constant 16. */
#define VELDORIN_SIZE(name) (VELDORIN_SIZE_##name + 0)
#define VELDORIN_DECIMALS(name) (VELDORIN_DECIMALS_##name + 0)
#define MARQUETH_SIZE(name) (MARQUETH_SIZE_##name + 0)
#define MARQUETH_DECIMALS(name) (MARQUETH_DECIMALS_##name + 0)

#define ITEM_LOOKUP_VELDORIN_SIZES_(name, kind, size, decimals) \
  VELDORIN_SIZE_##name = (size), VELDORIN_DECIMALS_##name = (decimals),
#define ITEM_LOOKUP_MARQUETH_SIZES_(name, kind, size, decimals) \
  MARQUETH_SIZE_##name = (size), MARQUETH_DECIMALS_##name = (decimals),
enum item_lookup_field_sizes {
  VELDORIN_PARAMETERS(ITEM_LOOKUP_VELDORIN_SIZES_) MARQUETH_PARAMETERS(ITEM_LOOKUP_MARQUETH_SIZES_)
      ITEM_LOOKUP_FIELD_SIZES_END_
};

/* How many parameters a table holds; usable in #if. */
#define ITEM_LOOKUP_ONE_PARAMETER_(name, kind, size, decimals) +1
#define VELDORIN_PARAMETER_COUNT (0 VELDORIN_PARAMETERS(ITEM_LOOKUP_ONE_PARAMETER_))
#define MARQUETH_PARAMETER_COUNT (0 MARQUETH_PARAMETERS(ITEM_LOOKUP_ONE_PARAMETER_))

/*
 * The widths are literal numbers, so that they work in #if as well as in declarations. Each is
 * checked against its table row below: the tables stay the one source.
 */

/* Fields both modules share, at the same widths. */
#define LOOKUP_FUNCTION_CODE_WIDTH 1
#define LOOKUP_STATUS_WIDTH 5
#define LOOKUP_DATABASE_KIND_WIDTH 15
#define LOOKUP_DATABASE_KIND_SQLSERVER "SQLSERVER      "

/* A compile error here means the two tables disagree on a field both modules share. */
#define ITEM_LOOKUP_SHARED_(name) (VELDORIN_SIZE(name) == MARQUETH_SIZE(name))
#define ITEM_LOOKUP_SHARED_FIELDS_AGREE_                                \
  (ITEM_LOOKUP_SHARED_(function_code) && ITEM_LOOKUP_SHARED_(status) && \
   ITEM_LOOKUP_SHARED_(database_kind))
typedef char item_lookup_shared_fields_agree_[ITEM_LOOKUP_SHARED_FIELDS_AGREE_ ? 1 : -1];

/* VELDORIN: item supplementary data (table VNDADFIT). */
#define VELDORIN_ITEM_CODE_WIDTH 16
#define VELDORIN_SALES_FAMILY_WIDTH 10
#define VELDORIN_EXTERNAL_CODE_WIDTH 16
#define VELDORIN_BARCODE_WIDTH 16
#define VELDORIN_DESCRIPTION_WIDTH 55
#define VELDORIN_TRACE_FLAG_WIDTH 1
#define VELDORIN_DETAIL_FLAG_WIDTH 1
#define VELDORIN_ANVISA_CODE_WIDTH 13
#define VELDORIN_PRICE_DIGITS 12 /* PMC and PMV values */
#define VELDORIN_PRICE_DECIMALS 2
#define VELDORIN_WEIGHT_DIGITS 11 /* net and gross weight */
#define VELDORIN_WEIGHT_DECIMALS 3

#define VELDORIN_FULL_FETCH '1'
#define VELDORIN_PARTIAL_FETCH '2'
#define VELDORIN_RESOLVE_ITEM_CODE '3'

#define VELDORIN_STATUS_FOUND "00000"
#define VELDORIN_STATUS_ITEM_NOT_FOUND "01027"
#define VELDORIN_STATUS_CODES_NOT_FOUND "02129"

/* int VELDORIN(...), and veldorin_entry for what dlsym(module, "VELDORIN") gives. */
typedef int veldorin_function(void* function_code, void* item_code, void* sales_family,
                              void* external_code, void* barcode, void* description,
                              void* trace_flag, void* detail_flag, void* anvisa_code,
                              void* pmc_value, void* pmv_value, void* net_weight,
                              void* gross_weight, void* status, void* database_kind,
                              void* environment_handle, void* connection_handle);
typedef veldorin_function* veldorin_entry;
veldorin_function VELDORIN;

/* MARQUETH: customer item cross-reference (table VNDAITCL). */
#define MARQUETH_CUSTOMER_KIND_WIDTH 1
#define MARQUETH_CUSTOMER_CODE_DIGITS 5
#define MARQUETH_ITEM_CODE_WIDTH 16
#define MARQUETH_CUSTOMER_ITEM_CODE_WIDTH 50
#define MARQUETH_UNIT_WIDTH 4
#define MARQUETH_FACTOR_DIGITS 15
#define MARQUETH_FACTOR_DECIMALS 7
#define MARQUETH_QUANTITY_DIGITS 11 /* minimum lot and order multiple */
#define MARQUETH_QUANTITY_DECIMALS 3
#define MARQUETH_BARCODE_WIDTH 16
#define MARQUETH_DAYS_DIGITS 4

/* A compile error here names a width that differs from its table row. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define ITEM_LOOKUP_FROM_TABLE_(width, row) \
  static_assert((width) == (row), #width " differs from " #row " of its table");
#else
#define ITEM_LOOKUP_FROM_TABLE_(width, row) \
  typedef char item_lookup_##width##_differs_from_##row[(width) == (row) ? 1 : -1];
#endif
ITEM_LOOKUP_FROM_TABLE_(LOOKUP_FUNCTION_CODE_WIDTH, VELDORIN_SIZE_function_code)
ITEM_LOOKUP_FROM_TABLE_(LOOKUP_STATUS_WIDTH, VELDORIN_SIZE_status)
ITEM_LOOKUP_FROM_TABLE_(LOOKUP_DATABASE_KIND_WIDTH, VELDORIN_SIZE_database_kind)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_ITEM_CODE_WIDTH, VELDORIN_SIZE_item_code)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_SALES_FAMILY_WIDTH, VELDORIN_SIZE_sales_family)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_EXTERNAL_CODE_WIDTH, VELDORIN_SIZE_external_code)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_BARCODE_WIDTH, VELDORIN_SIZE_barcode)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_DESCRIPTION_WIDTH, VELDORIN_SIZE_description)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_TRACE_FLAG_WIDTH, VELDORIN_SIZE_trace_flag)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_DETAIL_FLAG_WIDTH, VELDORIN_SIZE_detail_flag)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_ANVISA_CODE_WIDTH, VELDORIN_SIZE_anvisa_code)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_PRICE_DIGITS, VELDORIN_SIZE_pmc_value)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_PRICE_DIGITS, VELDORIN_SIZE_pmv_value)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_PRICE_DECIMALS, VELDORIN_DECIMALS_pmc_value)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_PRICE_DECIMALS, VELDORIN_DECIMALS_pmv_value)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_WEIGHT_DIGITS, VELDORIN_SIZE_net_weight)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_WEIGHT_DIGITS, VELDORIN_SIZE_gross_weight)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_WEIGHT_DECIMALS, VELDORIN_DECIMALS_net_weight)
ITEM_LOOKUP_FROM_TABLE_(VELDORIN_WEIGHT_DECIMALS, VELDORIN_DECIMALS_gross_weight)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_CUSTOMER_KIND_WIDTH, MARQUETH_SIZE_customer_kind)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_CUSTOMER_CODE_DIGITS, MARQUETH_SIZE_customer_code)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_ITEM_CODE_WIDTH, MARQUETH_SIZE_item_code)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_CUSTOMER_ITEM_CODE_WIDTH, MARQUETH_SIZE_customer_item_code)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_UNIT_WIDTH, MARQUETH_SIZE_unit)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_FACTOR_DIGITS, MARQUETH_SIZE_factor)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_FACTOR_DECIMALS, MARQUETH_DECIMALS_factor)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_QUANTITY_DIGITS, MARQUETH_SIZE_minimum_lot)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_QUANTITY_DIGITS, MARQUETH_SIZE_order_multiple)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_QUANTITY_DECIMALS, MARQUETH_DECIMALS_minimum_lot)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_QUANTITY_DECIMALS, MARQUETH_DECIMALS_order_multiple)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_BARCODE_WIDTH, MARQUETH_SIZE_barcode)
ITEM_LOOKUP_FROM_TABLE_(MARQUETH_DAYS_DIGITS, MARQUETH_SIZE_days)

#define MARQUETH_CUSTOMER_ITEM_FETCH '1'
#define MARQUETH_RESOLVE_ITEM_CODE '2'
#define MARQUETH_CODES_FETCH '3'
#define MARQUETH_UNIT_FETCH '4'

#define MARQUETH_STATUS_NOT_FOUND "00003"
#define MARQUETH_STATUS_CODES_NOT_FOUND "02129"

/* int MARQUETH(...), and marqueth_entry for what dlsym(module, "MARQUETH") gives. */
typedef int marqueth_function(void* function_code, void* customer_kind, void* customer_code,
                              void* item_code, void* customer_item_code, void* unit, void* factor,
                              void* minimum_lot, void* order_multiple, void* barcode, void* days,
                              void* status, void* database_kind, void* environment_handle,
                              void* connection_handle);
typedef marqueth_function* marqueth_entry;
marqueth_function MARQUETH;

/* Host-side modules the lookup modules call, as PGMS/<name>.so (see above). */
#define TARNIVEL_TEXT_WIDTH 18
#define TARNIVEL_VALUE_DIGITS 18 /* 10 integer digits, 8 decimals */
typedef int solvake_function(void* statement_handle, void* environment_handle,
                             void* connection_handle);
typedef solvake_function* solvake_entry;
solvake_function SOLVAKE;
typedef int tarnivel_function(char* text, char* value);
typedef tarnivel_function* tarnivel_entry;
tarnivel_function TARNIVEL;

/*
 * What the host-side modules saw, for the host that loaded the same PGMS/SOLVAKE.so and
 * PGMS/TARNIVEL.so (dlopen of the same file gives the same module). Each TAKE entry copies what
 * was reported since the host last asked and forgets it; a host that never asks sees no change.
 *
 * Threads: both modules keep these journals per host thread. A TAKE returns what the lookups made
 * on the calling thread saw, never another thread's, so a host that runs VELDORIN on one thread
 * and MARQUETH on another takes each thread's reports and conversions on that thread. A thread's
 * journals start empty and end with it. The standard error lines of SOLVAKE are switched for the
 * whole process: any thread may switch them, for every thread's reports from then on.
 */
#define SOLVAKE_RECORDS_KEPT 8
#define SOLVAKE_MESSAGE_SIZE 512

typedef struct solvake_record {
  char sqlstate[6]; /* five characters and a NUL; empty when the module had no record to read */
  int native_error;
  int report;                         /* which report since the host last asked, from 1 */
  char message[SOLVAKE_MESSAGE_SIZE]; /* NUL-terminated, cut to fit */
} solvake_record;

typedef struct solvake_records {
  int reports; /* calls of SOLVAKE (failed ODBC calls reported) */
  int errors;  /* of them, those answered non-zero: not warnings only */
  int count;   /* diagnostic records among them */
  int kept;    /* the last `kept` records, oldest first, at most SOLVAKE_RECORDS_KEPT */
  solvake_record records[SOLVAKE_RECORDS_KEPT];
} solvake_records;

#define SOLVAKE_LINES_UNCHANGED (-1)
#define SOLVAKE_LINES_OFF 0 /* SOLVAKE stops writing its lines to standard error */
#define SOLVAKE_LINES_ON 1  /* as after loading */

/* Fills `taken` (when not NULL) and forgets the calling thread's journal; sets the standard
   error lines for the process. Returns reports, also when `taken` is NULL. */
typedef int solvake_take_function(solvake_records* taken, int stderr_lines);
typedef solvake_take_function* solvake_take_entry;
solvake_take_function SOLVAKE_TAKE;

#define TARNIVEL_CONVERSIONS_KEPT 8

typedef struct tarnivel_conversion {
  char text[TARNIVEL_TEXT_WIDTH + 1];    /* the column text as handed over, NUL added */
  char value[TARNIVEL_VALUE_DIGITS + 1]; /* what was written to the value field, NUL added */
  int not_a_number;                      /* the text was no number: the value is zero */
  int lost_integer_digits;               /* a significant digit left of the ten kept */
  int dropped_sign;                      /* a minus sign on a value other than zero */
} tarnivel_conversion;

typedef struct tarnivel_conversions {
  int count; /* calls of TARNIVEL */
  int kept;  /* the last `kept` conversions, oldest first, at most TARNIVEL_CONVERSIONS_KEPT */
  tarnivel_conversion conversions[TARNIVEL_CONVERSIONS_KEPT];
} tarnivel_conversions;

/* Fills `taken` (when not NULL) and forgets the calling thread's journal. Returns count. */
typedef int tarnivel_take_function(tarnivel_conversions* taken);
typedef tarnivel_take_function* tarnivel_take_entry;
tarnivel_take_function TARNIVEL_TAKE;

#ifdef __cplusplus
}
#endif

#endif
