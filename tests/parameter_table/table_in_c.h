/* The parameter tables of item_lookup.h expanded by a C compiler, as a C host would expand them. */
#ifndef PARAMETER_TABLE_IN_C_H
#define PARAMETER_TABLE_IN_C_H

#include "item_lookup.h"

#ifdef __cplusplus
extern "C" {
#endif

struct parameter_row {
  const char* name;
  enum item_lookup_field_kind kind;
  int size;
  int decimals;
};

extern const struct parameter_row veldorin_rows[];
extern const int veldorin_row_count;
extern const struct parameter_row marqueth_rows[];
extern const int marqueth_row_count;

#ifdef __cplusplus
}
#endif

#endif
