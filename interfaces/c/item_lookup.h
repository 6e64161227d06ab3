/*
 * Item master data lookup modules: what a C host needs to call VELDORIN and MARQUETH.
 *
 * Every parameter is the address of a host field. Text fields (X(n)) are n bytes, padded with
 * spaces, without terminator. Numeric fields (9(p)V9(s)) are p + s ASCII digits with an implied
 * decimal point and no sign. Handle fields hold the ODBC handle itself (SQLHANDLE, pointer-sized).
 * The value returned is the module's 16-bit return code, zero-extended (-1 reads 65535).
 *
 * The modules load "PGMS/SOLVAKE.so" and "PGMS/TARNIVEL.so" from the host's current directory or,
 * failing that, from the folder of the module's own file. Calls into one loaded module must not
 * overlap.
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

/* Host-side modules the lookup modules call, as PGMS/<name>.so (see above). */
#define TARNIVEL_TEXT_WIDTH 18
#define TARNIVEL_VALUE_DIGITS 18 /* 10 integer digits, 8 decimals */
int SOLVAKE(void* statement_handle, void* environment_handle, void* connection_handle);
int TARNIVEL(char* text, char* value);

#ifdef __cplusplus
}
#endif

#endif
