/* Compiled as C89 with pedantic errors: the header and its tables must stay plain C. */
#include "table_in_c.h"

#define PARAMETER_ROW(name, kind, size, decimals) {#name, kind, size, decimals},

const struct parameter_row veldorin_rows[] = {VELDORIN_PARAMETERS(PARAMETER_ROW)};
const int veldorin_row_count = VELDORIN_PARAMETER_COUNT;

const struct parameter_row marqueth_rows[] = {MARQUETH_PARAMETERS(PARAMETER_ROW)};
const int marqueth_row_count = MARQUETH_PARAMETER_COUNT;

/* The counts work in #if, and a row added or dropped changes the entry points' arity. */
#if VELDORIN_PARAMETER_COUNT != 17 || MARQUETH_PARAMETER_COUNT != 15
#error "the parameter count of an entry point is part of its calling convention"
#endif

/* The widths work in #if, as a host's conditional code and buffer sizes use them. An enum
   constant would read 0 here without a word. */
#if LOOKUP_FUNCTION_CODE_WIDTH != 1 || LOOKUP_STATUS_WIDTH != 5 || LOOKUP_DATABASE_KIND_WIDTH != 15
#error "the shared widths are not usable in #if"
#endif
#if VELDORIN_ITEM_CODE_WIDTH != 16 || VELDORIN_SALES_FAMILY_WIDTH != 10 ||                         \
    VELDORIN_EXTERNAL_CODE_WIDTH != 16 || VELDORIN_BARCODE_WIDTH != 16 ||                          \
    VELDORIN_DESCRIPTION_WIDTH != 55 || VELDORIN_TRACE_FLAG_WIDTH != 1 ||                          \
    VELDORIN_DETAIL_FLAG_WIDTH != 1 || VELDORIN_ANVISA_CODE_WIDTH != 13 ||                         \
    VELDORIN_PRICE_DIGITS != 12 || VELDORIN_PRICE_DECIMALS != 2 || VELDORIN_WEIGHT_DIGITS != 11 || \
    VELDORIN_WEIGHT_DECIMALS != 3
#error "the VELDORIN widths are not usable in #if"
#endif
#if MARQUETH_CUSTOMER_KIND_WIDTH != 1 || MARQUETH_CUSTOMER_CODE_DIGITS != 5 ||                   \
    MARQUETH_ITEM_CODE_WIDTH != 16 || MARQUETH_CUSTOMER_ITEM_CODE_WIDTH != 50 ||                 \
    MARQUETH_UNIT_WIDTH != 4 || MARQUETH_FACTOR_DIGITS != 15 || MARQUETH_FACTOR_DECIMALS != 7 || \
    MARQUETH_QUANTITY_DIGITS != 11 || MARQUETH_QUANTITY_DECIMALS != 3 ||                         \
    MARQUETH_BARCODE_WIDTH != 16 || MARQUETH_DAYS_DIGITS != 4
#error "the MARQUETH widths are not usable in #if"
#endif
