/*
 * Item master data lookup modules: what a C host needs to call VELDORIN and MARQUETH.
 *
 * Every parameter is the address of a host field. Text fields (X(n)) are n bytes, padded with
 * spaces, without terminator. Numeric fields (9(p)V9(s)) are p + s ASCII digits with an implied
 * decimal point and no sign. Handle fields hold the ODBC handle itself (SQLHANDLE, pointer-sized).
 * The value returned is the module's 16-bit return code, zero-extended (-1 reads 65535).
 *
 * The modules load "PGMS/SOLVAKE.so" and "PGMS/TARNIVEL.so" relative to the host's current
 * directory. Calls into one loaded module must not overlap.
 */
#ifndef ITEM_LOOKUP_H
#define ITEM_LOOKUP_H

#ifdef __cplusplus
extern "C" {
#endif

/* Widths shared by both modules. */
#define LOOKUP_FUNCTION_CODE_WIDTH 1
#define LOOKUP_STATUS_WIDTH 5
#define LOOKUP_DATABASE_KIND_WIDTH 15
#define LOOKUP_DATABASE_KIND_SQLSERVER "SQLSERVER      "

/* VELDORIN: item supplementary data (table VNDADFIT). */
#define VELDORIN_PARAMETER_COUNT 17
#define VELDORIN_ITEM_CODE_WIDTH 16
#define VELDORIN_SALES_FAMILY_WIDTH 10
#define VELDORIN_EXTERNAL_CODE_WIDTH 16
#define VELDORIN_BARCODE_WIDTH 16
#define VELDORIN_DESCRIPTION_WIDTH 55
#define VELDORIN_TRACE_FLAG_WIDTH 1
#define VELDORIN_DETAIL_FLAG_WIDTH 1
#define VELDORIN_ANVISA_CODE_WIDTH 13
#define VELDORIN_PRICE_DIGITS 12 /* 9(10)V99: PMC and PMV values */
#define VELDORIN_PRICE_DECIMALS 2
#define VELDORIN_WEIGHT_DIGITS 11 /* 9(8)V999: net and gross weight */
#define VELDORIN_WEIGHT_DECIMALS 3

#define VELDORIN_FULL_FETCH '1'
#define VELDORIN_PARTIAL_FETCH '2'
#define VELDORIN_RESOLVE_ITEM_CODE '3'

#define VELDORIN_STATUS_FOUND "00000"
#define VELDORIN_STATUS_ITEM_NOT_FOUND "01027"
#define VELDORIN_STATUS_CODES_NOT_FOUND "02129"

int VELDORIN(void* function_code, void* item_code, void* sales_family, void* external_code,
             void* barcode, void* description, void* trace_flag, void* detail_flag,
             void* anvisa_code, void* pmc_value, void* pmv_value, void* net_weight,
             void* gross_weight, void* status, void* database_kind, void* environment_handle,
             void* connection_handle);

/* MARQUETH: customer item cross-reference (table VNDAITCL). */
#define MARQUETH_PARAMETER_COUNT 15
#define MARQUETH_CUSTOMER_KIND_WIDTH 1
#define MARQUETH_CUSTOMER_CODE_DIGITS 5
#define MARQUETH_ITEM_CODE_WIDTH 16
#define MARQUETH_CUSTOMER_ITEM_CODE_WIDTH 50
#define MARQUETH_UNIT_WIDTH 4
#define MARQUETH_FACTOR_DIGITS 15 /* 9(8)V9(7) */
#define MARQUETH_FACTOR_DECIMALS 7
#define MARQUETH_QUANTITY_DIGITS 11 /* 9(8)V999: minimum lot and order multiple */
#define MARQUETH_QUANTITY_DECIMALS 3
#define MARQUETH_BARCODE_WIDTH 16
#define MARQUETH_DAYS_DIGITS 4

#define MARQUETH_CUSTOMER_ITEM_FETCH '1'
#define MARQUETH_RESOLVE_ITEM_CODE '2'
#define MARQUETH_CODES_FETCH '3'
#define MARQUETH_UNIT_FETCH '4'

#define MARQUETH_STATUS_NOT_FOUND "00003"
#define MARQUETH_STATUS_CODES_NOT_FOUND "02129"

int MARQUETH(void* function_code, void* customer_kind, void* customer_code, void* item_code,
             void* customer_item_code, void* unit, void* factor, void* minimum_lot,
             void* order_multiple, void* barcode, void* days, void* status, void* database_kind,
             void* environment_handle, void* connection_handle);

/* Host-side modules the lookup modules call (under PGMS/ in the host's current directory). */
#define TARNIVEL_TEXT_WIDTH 18
#define TARNIVEL_VALUE_DIGITS 18 /* 10 integer digits, 8 decimals */
int SOLVAKE(void* statement_handle, void* environment_handle, void* connection_handle);
int TARNIVEL(char* text, char* value);

/*
 * What the host-side modules saw, for the host that loaded the same PGMS/SOLVAKE.so and
 * PGMS/TARNIVEL.so (dlopen of the same file gives the same module). Each TAKE entry copies what
 * was reported since the host last asked and forgets it; a host that never asks sees no change.
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

/* Fills `taken` (when not NULL) and forgets; sets the standard error lines. Returns reports. */
int SOLVAKE_TAKE(solvake_records* taken, int stderr_lines);

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

/* Fills `taken` (when not NULL) and forgets. Returns count. */
int TARNIVEL_TAKE(tarnivel_conversions* taken);

#ifdef __cplusplus
}
#endif

#endif
