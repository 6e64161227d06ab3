/* A Windows host with an ODBC32.DLL planted beside it and in its current folder, run with Wine
   preferring a native ODBC32.DLL as Windows does: the lookup module and the message module must
   bind the driver manager of the system folder, never the planted one. The lookup fails on the
   host's null handles, so that the message module is called and binds its own too.
   Usage: planted_driver_manager_host <folder of the DLLs> */
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
  char path[MAX_PATH], system_folder[MAX_PATH];
  HMODULE lookup, message_module, driver_manager;
  veldorin_entry veldorin;
  solvake_take_entry take;
  UINT system_length;

  if (argc != 2) {
    fprintf(stderr, "usage: %s DLL-FOLDER\n", argv[0]);
    return 2;
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
  if (GetModuleHandleA("ODBC32.DLL") != NULL) {
    printf("ODBC32.DLL was loaded before the lookup\n");
    return 1;
  }

  memset(item_code, ' ', sizeof item_code);
  memcpy(item_code, "1001", 4);
  function_code[0] = VELDORIN_FULL_FETCH;
  take(NULL, SOLVAKE_LINES_OFF);
  veldorin(function_code, item_code, sales_family, external_code, barcode, description, trace_flag,
           detail_flag, anvisa_code, pmc_value, pmv_value, net_weight, gross_weight, status,
           database_kind, &environment, &connection);
  printf("message module called: %s\n", take(NULL, SOLVAKE_LINES_UNCHANGED) > 0 ? "yes" : "no");

  driver_manager = GetModuleHandleA("ODBC32.DLL");
  if (driver_manager == NULL) {
    printf("no ODBC32.DLL loaded\n");
    return 0;
  }
  GetModuleFileNameA(driver_manager, path, sizeof path);
  system_length = GetSystemDirectoryA(system_folder, sizeof system_folder);
  if (system_length > 0 && _strnicmp(path, system_folder, system_length) == 0 &&
      path[system_length] == '\\' && strchr(path + system_length + 1, '\\') == NULL) {
    printf("ODBC32.DLL from the system folder\n");
  } else {
    printf("ODBC32.DLL from %s\n", path);
  }
  return 0;
}
