// A Windows host for the checks run under Wine, one process per check:
//   own-message-module <folder of the DLLs>
//       The current folder holds the host's own PGMS\SOLVAKE.DLL (own_message_module.c). A
//       lookup on a connection handle that was never connected fails, and the return code must
//       be that module's answer, given the module's statement handle field and the host's
//       environment and connection handle fields.
//   beside-module <folder of the DLLs> <SQLite database>
//       The current folder has no PGMS\. The DLLs are copied into a folder whose name is not
//       ASCII and whose path is longer than MAX_PATH, VELDORIN.DLL is loaded from there by full
//       path, and a lookup must convert its numbers with the TARNIVEL.DLL beside it, which keeps
//       them in this thread's journal only. The database
//       path is a Linux one: Wine's ODBC32.DLL hands it to this machine's SQLite driver as it is.
// Each prints what it saw, one fact a line; the test compares the whole output.
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>

#include "item_lookup.h"

namespace {

struct VeldorinFields {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH];
  char item_code[VELDORIN_ITEM_CODE_WIDTH];
  char sales_family[VELDORIN_SALES_FAMILY_WIDTH];
  char external_code[VELDORIN_EXTERNAL_CODE_WIDTH];
  char barcode[VELDORIN_BARCODE_WIDTH];
  char description[VELDORIN_DESCRIPTION_WIDTH];
  char trace_flag[VELDORIN_TRACE_FLAG_WIDTH];
  char detail_flag[VELDORIN_DETAIL_FLAG_WIDTH];
  char anvisa_code[VELDORIN_ANVISA_CODE_WIDTH];
  char pmc_value[VELDORIN_PRICE_DIGITS];
  char pmv_value[VELDORIN_PRICE_DIGITS];
  char net_weight[VELDORIN_WEIGHT_DIGITS];
  char gross_weight[VELDORIN_WEIGHT_DIGITS];
  char status[LOOKUP_STATUS_WIDTH];
  char database_kind[LOOKUP_DATABASE_KIND_WIDTH];
};

// Item 1001 of the demo database, every column, on the driver's default cursor.
int look_up_item_1001(veldorin_entry veldorin, VeldorinFields& f, SQLHENV* environment,
                      SQLHDBC* connection) {
  std::memset(&f, ' ', sizeof f);
  f.function_code[0] = VELDORIN_FULL_FETCH;
  std::memcpy(f.item_code, "1001", 4);
  return veldorin(f.function_code, f.item_code, f.sales_family, f.external_code, f.barcode,
                  f.description, f.trace_flag, f.detail_flag, f.anvisa_code, f.pmc_value,
                  f.pmv_value, f.net_weight, f.gross_weight, f.status, f.database_kind, environment,
                  connection);
}

HMODULE load(const std::wstring& path) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    std::printf("cannot load %ls: error %lu\n", path.c_str(), GetLastError());
  }
  return module;
}

template <typename Entry>
Entry entry(HMODULE module, const char* name) {
  return module == nullptr
             ? nullptr
             : reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The module whose image holds `address`, or null.
HMODULE module_holding(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<LPCWSTR>(address), &module);
  return module;
}

std::wstring current_folder() {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

int own_message_module(const std::wstring& dll_folder) {
  HMODULE lookup = load(dll_folder + L"\\VELDORIN.DLL");
  auto veldorin = entry<veldorin_entry>(lookup, "VELDORIN");
  // The same file the lookup loaded from the current folder: the loader hands back that module.
  HMODULE own = load(current_folder() + L"\\PGMS\\SOLVAKE.DLL");
  using Seen = int (*)(void**);
  auto seen = entry<Seen>(own, "SOLVAKE_SEEN");
  if (veldorin == nullptr || seen == nullptr) return 1;

  // Allocated, never connected: the statement cannot be allocated on it.
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  VeldorinFields fields;
  const int return_code = look_up_item_1001(veldorin, fields, &environment, &connection);

  void* addresses[3] = {};
  const int calls = seen(addresses);
  std::printf("return code %d\n", return_code);
  std::printf("own message module called: %s\n", calls > 0 ? "yes" : "no");
  std::printf("statement handle field in VELDORIN.DLL: %s\n",
              module_holding(addresses[0]) == lookup ? "yes" : "no");
  std::printf("statement handle field null: %s\n",
              addresses[0] != nullptr && *static_cast<SQLHSTMT*>(addresses[0]) == SQL_NULL_HSTMT
                  ? "yes"
                  : "no");
  std::printf("environment handle field is the host's: %s\n",
              addresses[1] == &environment ? "yes" : "no");
  std::printf("connection handle field is the host's: %s\n",
              addresses[2] == &connection ? "yes" : "no");
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return 0;
}

// "\\?\<current folder>\m<o acute>dulos <a tilde>...\" and folders below it until the path is
// past MAX_PATH, created; the prefix lets every wide call take the long path.
std::wstring make_long_folder() {
  std::wstring folder = L"\\\\?\\" + current_folder() + L"\\m\u00f3dulos \u00e7\u00e3o \u00fc";
  CreateDirectoryW(folder.c_str(), nullptr);
  while (folder.size() <= MAX_PATH + 20) {
    folder += L"\\pasta de m\u00f3dulos com um nome comprido";
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  CreateDirectoryW((folder + L"\\PGMS").c_str(), nullptr);
  return folder;
}

bool copy_dlls(const std::wstring& from, const std::wstring& to) {
  for (const wchar_t* name : {L"\\VELDORIN.DLL", L"\\PGMS\\SOLVAKE.DLL", L"\\PGMS\\TARNIVEL.DLL"}) {
    if (!CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE)) {
      std::printf("cannot copy %ls: error %lu\n", name, GetLastError());
      return false;
    }
  }
  return true;
}

int beside_module(const std::wstring& dll_folder, const char* connection_string) {
  const std::wstring long_folder = make_long_folder();
  if (!copy_dlls(dll_folder, long_folder)) return 1;
  HMODULE lookup = load(long_folder + L"\\VELDORIN.DLL");
  auto veldorin = entry<veldorin_entry>(lookup, "VELDORIN");
  if (veldorin == nullptr) return 1;

  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  if (!SQL_SUCCEEDED(SQLDriverConnect(
          connection, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection_string)),
          SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
    std::printf("cannot connect with %s\n", connection_string);
    return 1;
  }
  VeldorinFields f;
  const int return_code = look_up_item_1001(veldorin, f, &environment, &connection);
  std::printf("status %.5s, return code %d\n", f.status, return_code);
  std::printf("PMC %.12s PMV %.12s\n", f.pmc_value, f.pmv_value);
  std::printf("net weight %.11s gross weight %.11s\n", f.net_weight, f.gross_weight);

  // The converter the lookup used is the one loaded from beside the copied VELDORIN.DLL.
  HMODULE converter = GetModuleHandleW(L"TARNIVEL.DLL");
  wchar_t converter_file[1024] = L"";
  if (converter != nullptr) GetModuleFileNameW(converter, converter_file, 1024);
  const std::wstring beside = long_folder.substr(4) + L"\\PGMS\\TARNIVEL.DLL";
  const wchar_t* file = converter_file;
  if (std::wcsncmp(file, L"\\\\?\\", 4) == 0) file += 4;
  std::printf(
      "converter beside VELDORIN.DLL: %s\n",
      beside.size() == std::wcslen(file) && _wcsicmp(beside.c_str(), file) == 0 ? "yes" : "no");
  // The converter's journal is per host thread: another thread has seen no conversion.
  auto take = entry<tarnivel_take_entry>(converter, "TARNIVEL_TAKE");
  if (take == nullptr) return 1;
  int on_other_thread = -1;
  std::thread([&] { on_other_thread = take(nullptr); }).join();
  std::printf("conversions on another thread %d\n", on_other_thread);
  std::printf("conversions on this thread %d\n", take(nullptr));
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"own-message-module") == 0) {
    return own_message_module(argv[2]);
  }
  if (argc == 4 && std::wcscmp(argv[1], L"beside-module") == 0) {
    std::string connection_string = "DRIVER=SQLite3;Database=";
    for (const wchar_t* c = argv[3]; *c != L'\0'; ++c) connection_string += static_cast<char>(*c);
    return beside_module(argv[2], (connection_string + ";").c_str());
  }
  std::fprintf(stderr,
               "usage: windows_host_checks own-message-module DLL-FOLDER\n"
               "       windows_host_checks beside-module DLL-FOLDER SQLITE-DATABASE\n");
  return 2;
}
