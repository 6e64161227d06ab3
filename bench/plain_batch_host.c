/*
 * The yardstick for itemlookup's batch: a plain C host that makes the same module calls for the
 * same lines, on its own ODBC connection, and writes one short line per lookup. It does nothing
 * else: no checks of the keys beyond splitting them, no JSON, no diagnostics.
 *
 * usage: plain_batch_host MODULE-DIR CONNECTION-STRING < LINES
 * Lines: "item ITEM", "item-summary ITEM", "customer-item KIND CODE ITEM",
 * "customer-codes KIND CODE ITEM", "customer-unit KIND CODE ITEM" (CODE: five digits).
 */
#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "item_lookup.h"

static void put(char* field, size_t width, const char* text) {
  size_t length = strlen(text);
  if (length > width) length = width;
  memcpy(field, text, length);
  memset(field + length, ' ', width - length);
}

static void* entry(const char* directory, const char* name) {
  char path[4096];
  snprintf(path, sizeof path, "%s/%s.so", directory, name);
  void* library = dlopen(path, RTLD_NOW);
  void* found = library != NULL ? dlsym(library, name) : NULL;
  if (found == NULL) {
    fprintf(stderr, "plain_batch_host: cannot load %s\n", path);
    exit(2);
  }
  return found;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: plain_batch_host MODULE-DIR CONNECTION-STRING < LINES\n");
    return 2;
  }
  veldorin_entry veldorin = (veldorin_entry)entry(argv[1], "VELDORIN");
  marqueth_entry marqueth = (marqueth_entry)entry(argv[1], "MARQUETH");
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  if (!SQL_SUCCEEDED(SQLDriverConnect(connection, NULL, (SQLCHAR*)argv[2], SQL_NTS, NULL, 0, NULL,
                                      SQL_DRIVER_NOPROMPT))) {
    fprintf(stderr, "plain_batch_host: cannot connect\n");
    return 2;
  }
  /* The modules find PGMS/ under the current directory. */
  if (chdir(argv[1]) != 0) return 2;

  char kind[LOOKUP_DATABASE_KIND_WIDTH];
  memset(kind, ' ', sizeof kind);
  char line[512];
  while (fgets(line, sizeof line, stdin) != NULL) {
    char* words[5] = {0};
    int count = 0;
    for (char* word = strtok(line, " \n"); word != NULL && count < 5; word = strtok(NULL, " \n")) {
      words[count++] = word;
    }
    if (count < 2) continue;
    char status[LOOKUP_STATUS_WIDTH];
    memcpy(status, "00000", sizeof status);
    if (strcmp(words[0], "item") == 0 || strcmp(words[0], "item-summary") == 0) {
      char function_code = words[0][4] == '\0' ? '1' : '2';
      char item[16], family[10], external[16], barcode[16], description[55], trace, detail;
      char anvisa[13], pmc[12], pmv[12], net[11], gross[11];
      put(item, sizeof item, words[1]);
      veldorin(&function_code, item, family, external, barcode, description, &trace, &detail,
               anvisa, pmc, pmv, net, gross, status, kind, &environment, &connection);
      printf("%.5s %.16s %.55s %.12s\n", status, item, description, pmc);
    } else if (count == 4) {
      char function_code = strcmp(words[0], "customer-item") == 0    ? '1'
                           : strcmp(words[0], "customer-codes") == 0 ? '3'
                                                                     : '4';
      char customer_kind, code[5], item[16], customer_item[50], unit[4], factor[15], lot[11];
      char multiple[11], barcode[16], days[4];
      customer_kind = words[1][0];
      put(code, sizeof code, words[2]);
      put(item, sizeof item, words[3]);
      marqueth(&function_code, &customer_kind, code, item, customer_item, unit, factor, lot,
               multiple, barcode, days, status, kind, &environment, &connection);
      printf("%.5s %.50s %.15s\n", status, customer_item, factor);
    }
  }
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return 0;
}
