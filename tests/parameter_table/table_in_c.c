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
