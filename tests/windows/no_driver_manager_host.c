/* A Windows host run with Wine's ODBC32.DLL switched off, so the lookup module cannot bind the
   driver manager: the lookup must end on its not-found path with every ODBC call reported to the
   message module, and the host must not crash. It imports nothing from ODBC32.DLL itself.
   Usage: no_driver_manager_host <folder of the DLLs> */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "item_lookup.h"

int main(int argc, char** argv) {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH], item_code[VELDORIN_ITEM_CODE_WIDTH],
      sales_family[VELDORIN_SALES_FAMILY_WIDTH], external_code[VELDORIN_EXTERNAL_CODE_WIDTH],
      barcode[VELDORIN_BARCODE_WIDTH], description[VELDORIN_DESCRIPTION_WIDTH],
      trace_flag[VELDORIN_TRACE_FLAG_WIDTH], detail_flag[VELDORIN_DETAIL_FLAG_WIDTH],
      anvisa_code[VELDORIN_ANVISA_CODE_WIDTH], pmc_value[VELDORIN_PRICE_DIGITS],
      pmv_value[VELDORIN_PRICE_DIGITS], net_weight[VELDORIN_WEIGHT_DIGITS],
      gross_weight[VELDORIN_WEIGHT_DIGITS], status[LOOKUP_STATUS_WIDTH],
      database_kind[LOOKUP_DATABASE_KIND_WIDTH];
  item_lookup_handle environment = NULL, connection = NULL;
  static solvake_records taken;
  char path[MAX_PATH];
  HMODULE lookup, message_module;
  veldorin_entry veldorin;
  solvake_take_entry take;
  int return_code;

  if (argc != 2) {
    fprintf(stderr, "usage: %s DLL-FOLDER\n", argv[0]);
    return 2;
  }
  if (LoadLibraryA("ODBC32.DLL") != NULL) {
    printf("ODBC32.DLL loads: the check needs it switched off\n");
    return 1;
  }
  snprintf(path, sizeof path, "%s\\VELDORIN.DLL", argv[1]);
  lookup = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
  snprintf(path, sizeof path, "%s\\PGMS\\SOLVAKE.DLL", argv[1]);
  message_module = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
  veldorin = lookup ? (veldorin_entry)(void*)GetProcAddress(lookup, "VELDORIN") : NULL;
  take = message_module ? (solvake_take_entry)(void*)GetProcAddress(message_module, "SOLVAKE_TAKE")
                        : NULL;
  if (veldorin == NULL || take == NULL) {
    printf("cannot load the DLLs from %s\n", argv[1]);
    return 1;
  }

  memset(description, ' ', sizeof description);
  memcpy(description, "THE HOST'S OWN TEXT", 19);
  memset(status, ' ', sizeof status);
  memset(database_kind, ' ', sizeof database_kind);
  memset(item_code, ' ', sizeof item_code);
  memcpy(item_code, "1001", 4);
  function_code[0] = VELDORIN_FULL_FETCH;
  take(NULL, SOLVAKE_LINES_OFF);
  return_code =
      veldorin(function_code, item_code, sales_family, external_code, barcode, description,
               trace_flag, detail_flag, anvisa_code, pmc_value, pmv_value, net_weight, gross_weight,
               status, database_kind, &environment, &connection);
  /* The message module cannot read diagnostics either and answers 1. */
  printf("return code %d\n", return_code);
  printf("status %.5s\n", status);
  printf("description %.19s\n", description);
  /* allocation, execution, eleven bindings, fetch and drop */
  printf("reports %d\n", take(&taken, SOLVAKE_LINES_UNCHANGED));
  /* The message module names the driver manager as Windows names it. */
  printf("last record %s\n", taken.kept > 0 ? taken.records[taken.kept - 1].message : "none");
  return 0;
}
