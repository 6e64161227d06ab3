/* item_lookup_reconnect.c: lookups that outlive a lost connection. One item code a line from
 * standard input, looked up through VELDORIN; after each lookup the host asks the message module
 * what the driver reported (SOLVAKE_TAKE). When the connection was lost or a hot standby cancelled
 * the read, it connects again on the same handle and runs the same lookup once more.
 *   cc -o item_lookup_reconnect item_lookup_reconnect.c -lodbc -ldl
 *   printf '1001\n1002\n' | ./item_lookup_reconnect /usr/lib/item-lookup/VELDORIN.so "DSN=items"
 */
#include <dlfcn.h>
#include <item_lookup.h>
#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <string.h>

struct item {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH], item_code[VELDORIN_ITEM_CODE_WIDTH],
      sales_family[VELDORIN_SALES_FAMILY_WIDTH], external_code[VELDORIN_EXTERNAL_CODE_WIDTH],
      barcode[VELDORIN_BARCODE_WIDTH], description[VELDORIN_DESCRIPTION_WIDTH],
      trace_flag[VELDORIN_TRACE_FLAG_WIDTH], detail_flag[VELDORIN_DETAIL_FLAG_WIDTH],
      anvisa_code[VELDORIN_ANVISA_CODE_WIDTH], pmc_value[VELDORIN_PRICE_DIGITS],
      pmv_value[VELDORIN_PRICE_DIGITS], net_weight[VELDORIN_WEIGHT_DIGITS],
      gross_weight[VELDORIN_WEIGHT_DIGITS], status[LOOKUP_STATUS_WIDTH],
      database_kind[LOOKUP_DATABASE_KIND_WIDTH];
};

static void put(char* field, size_t width, const char* text) {
  memset(field, ' ', width);
  memcpy(field, text, strlen(text) < width ? strlen(text) : width);
}

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

/* A new connection may cure these: the connection failed or was lost (class 08, a pooler's own
   08P01 included), the server shut down or is starting (57P01 to 57P03), or a hot standby
   cancelled the read to replay changes (40001). */
static int calls_for_reconnect(const char* sqlstate) {
  return strncmp(sqlstate, "08", 2) == 0 || strcmp(sqlstate, "57P01") == 0 ||
         strcmp(sqlstate, "57P02") == 0 || strcmp(sqlstate, "57P03") == 0 ||
         strcmp(sqlstate, "40001") == 0;
}

/* The first error the message module kept since the last take (a warning's SQLSTATE starts
   with 01), or NULL when the lookup had none. */
static const solvake_record* first_error(const solvake_records* taken) {
  int i;
  for (i = 0; i < taken->kept; ++i)
    if (strncmp(taken->records[i].sqlstate, "01", 2) != 0) return &taken->records[i];
  return NULL;
}

int main(int argc, char** argv) {
  struct item item;
  char path[4096], line[256], connect[2048];
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  void *module, *message_module;
  veldorin_entry veldorin;
  solvake_take_entry take;
  solvake_records taken;
  const solvake_record* error;
  const char* slash;
  int tries, failures = 0;

  if (argc != 3) {
    fprintf(stderr, "usage: %s MODULE-PATH CONNECTION-STRING < ITEM-CODES\n", argv[0]);
    return 2;
  }
  module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  veldorin = module != NULL ? (veldorin_entry)dlsym(module, "VELDORIN") : NULL;
  /* The message module the lookup module uses (docs/host-interface.md says where it looks):
     PGMS/ beside the module, for a host run from a folder without a PGMS/ of its own, as here.
     The same file loads once per process, so the host reads what the lookup module reported. */
  slash = strrchr(argv[1], '/');
  snprintf(path, sizeof path, "%.*s/PGMS/SOLVAKE.so", slash ? (int)(slash - argv[1]) : 1,
           slash ? argv[1] : ".");
  message_module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  take = message_module != NULL ? (solvake_take_entry)dlsym(message_module, "SOLVAKE_TAKE") : NULL;
  if (veldorin == NULL || take == NULL) {
    fprintf(stderr, "cannot load VELDORIN and %s: %s\n", path, dlerror());
    return 1;
  }

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

  while (fgets(line, sizeof line, stdin) != NULL) {
    line[strcspn(line, "\r\n")] = '\0';
    for (tries = 1;; ++tries) {
      item.function_code[0] = VELDORIN_FULL_FETCH;
      put(item.item_code, sizeof item.item_code, line);
      put(item.database_kind, sizeof item.database_kind, "");
      take(NULL, SOLVAKE_LINES_UNCHANGED); /* what came before is not this lookup's */
      veldorin(item.function_code, item.item_code, item.sales_family, item.external_code,
               item.barcode, item.description, item.trace_flag, item.detail_flag, item.anvisa_code,
               item.pmc_value, item.pmv_value, item.net_weight, item.gross_weight, item.status,
               item.database_kind, &environment, &connection);
      take(&taken, SOLVAKE_LINES_UNCHANGED);
      error = first_error(&taken);
      if (error == NULL || !calls_for_reconnect(error->sqlstate) || tries == 2) break;
      /* The same handle, so the handle fields stay valid; the driver needs the disconnect
         first. The connection string's own session settings (ConnSettings, InitStmt) run again
         on connect; a host that sets the session itself must set it here again. */
      printf("item %s: %s, connecting again\n", line, error->sqlstate);
      SQLDisconnect(connection);
      if (!SQL_SUCCEEDED(SQLDriverConnect(connection, NULL, (SQLCHAR*)connect, SQL_NTS, NULL, 0,
                                          NULL, SQL_DRIVER_NOPROMPT)))
        break; /* the next lookup fails with 08003 and tries again */
    }
    /* An error is never a missing item: the status says "not found" after a failed lookup. */
    if (error != NULL) {
      printf("item %s: error %s %s\n", line, error->sqlstate, error->message);
      ++failures;
    } else if (memcmp(item.status, "00000", 5) == 0) {
      printf("item %s: %.*s\n", line, used(item.description, sizeof item.description),
             item.description);
    } else {
      printf("item %s: not found, status %.5s\n", line, item.status);
    }
    fflush(stdout);
  }

  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  dlclose(message_module);
  dlclose(module);
  return failures == 0 ? 0 : 1;
}
