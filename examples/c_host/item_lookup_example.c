/* item_lookup_example.c: item 1001 through VELDORIN, on an ODBC connection this host opens.
 *   cc -o item_lookup_example item_lookup_example.c -lodbc -ldl
 *   ./item_lookup_example /usr/lib/item-lookup/VELDORIN.so \
 *       "DRIVER=SQLite3;Database=$HOME/.local/share/item-lookup/demo.db;"
 */
#include <dlfcn.h>
#include <item_lookup.h>
#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <string.h>

/* Host text: left-justified, padded with spaces, no terminator. */
static void put(char* field, size_t width, const char* text) {
  memset(field, ' ', width);
  memcpy(field, text, strlen(text) < width ? strlen(text) : width);
}

/* A text field without its padding, for printf("%.*s"). */
static int used(const char* field, int width) {
  while (width > 0 && field[width - 1] == ' ') --width;
  return width;
}

/* The connection string with AUTO_RECONNECT=0 last: the driver must not connect again by itself,
   for its new session would have none of this host's setup and would get the lookup at hand
   (docs/host-interface.md). Last, it wins over the DSN and any earlier setting in MariaDB
   Connector/ODBC; other drivers pass over it. 0 when it does not fit. */
static int without_driver_reconnect(char* connect, size_t size, const char* given) {
  size_t length = strlen(given);
  const char* separator = length > 0 && given[length - 1] != ';' ? ";" : "";
  int written = snprintf(connect, size, "%s%sAUTO_RECONNECT=0;", given, separator);
  return written >= 0 && (size_t)written < size;
}

int main(int argc, char** argv) {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH], item_code[VELDORIN_ITEM_CODE_WIDTH],
      sales_family[VELDORIN_SALES_FAMILY_WIDTH], external_code[VELDORIN_EXTERNAL_CODE_WIDTH],
      barcode[VELDORIN_BARCODE_WIDTH], description[VELDORIN_DESCRIPTION_WIDTH],
      trace_flag[VELDORIN_TRACE_FLAG_WIDTH], detail_flag[VELDORIN_DETAIL_FLAG_WIDTH],
      anvisa_code[VELDORIN_ANVISA_CODE_WIDTH], pmc_value[VELDORIN_PRICE_DIGITS],
      pmv_value[VELDORIN_PRICE_DIGITS], net_weight[VELDORIN_WEIGHT_DIGITS],
      gross_weight[VELDORIN_WEIGHT_DIGITS], status[LOOKUP_STATUS_WIDTH],
      database_kind[LOOKUP_DATABASE_KIND_WIDTH], connect[2048];
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  void* module;
  veldorin_entry veldorin;
  int return_code;

  if (argc != 3) {
    fprintf(stderr, "usage: %s MODULE-PATH CONNECTION-STRING\n", argv[0]);
    return 2;
  }
  /* By path: dlopen searches no current directory for a bare name. Where the module then finds
     PGMS/: docs/host-interface.md. */
  module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  veldorin = module != NULL ? (veldorin_entry)dlsym(module, "VELDORIN") : NULL;
  if (veldorin == NULL) {
    fprintf(stderr, "cannot load VELDORIN: %s\n", dlerror());
    return 1;
  }

  /* The host owns the connection; the module only borrows its handles. */
  if (!without_driver_reconnect(connect, sizeof connect, argv[2])) {
    fprintf(stderr, "the connection string is too long\n");
    return 2;
  }
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  if (!SQL_SUCCEEDED(SQLDriverConnect(connection, NULL, (SQLCHAR*)connect, SQL_NTS, NULL, 0, NULL,
                                      SQL_DRIVER_NOPROMPT))) {
    fprintf(stderr, "cannot connect with %s\n", argv[2]);
    return 1;
  }
  /* The session must read string literals as standard SQL (docs/databases.md): set up so by the
     DSN, as for SQLite, or here with the engine's session setting before the first lookup. */

  function_code[0] = VELDORIN_FULL_FETCH;
  put(item_code, sizeof item_code, "1001");
  /* Blank: the driver's default cursor; LOOKUP_DATABASE_KIND_SQLSERVER asks for a static one. */
  put(database_kind, sizeof database_kind, "");
  return_code =
      veldorin(function_code, item_code, sales_family, external_code, barcode, description,
               trace_flag, detail_flag, anvisa_code, pmc_value, pmv_value, net_weight, gross_weight,
               status, database_kind, &environment, &connection);

  printf("status %.5s, return code %d\n", status, return_code);
  printf("description %.*s\n", used(description, sizeof description), description);
  printf("PMC %.10s.%.2s\n", pmc_value, pmc_value + 10);
  printf("net weight %.8s.%.3s\n", net_weight, net_weight + 8);

  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  dlclose(module);
  return 0;
}
