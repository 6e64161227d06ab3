// A lookup module in miniature, to prove the host harness rather than any real lookup: it marks
// each text parameter with its position, allocates a statement on the host's connection through
// whatever libodbc.so.2 the process has, reports it to PGMS/SOLVAKE.so found from the current
// directory, drops it, and returns how often it was called since it was loaded.

#include <dlfcn.h>
#include <sql.h>

#include "item_lookup.h"

namespace {

int veldorin_calls = 0;
int marqueth_calls = 0;

constexpr int kMissingName = -1;

// 'A' into the first byte of the first parameter, 'B' into the second's, ...
void mark_positions(void* const* parameters, int count) {
  for (int i = 0; i < count; ++i) static_cast<char*>(parameters[i])[0] = static_cast<char>('A' + i);
}

template <typename Function>
Function bound(void* library, const char* name) {
  return library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

int cycle_through_outside_modules(void* environment_field, void* connection_field) {
  void* driver_manager = dlopen("libodbc.so.2", RTLD_NOW | RTLD_LOCAL);
  void* message_library = dlopen("PGMS/SOLVAKE.so", RTLD_NOW | RTLD_LOCAL);
  const auto alloc = bound<SQLRETURN (*)(SQLHDBC, SQLHSTMT*)>(driver_manager, "SQLAllocStmt");
  const auto drop = bound<SQLRETURN (*)(SQLHSTMT, SQLUSMALLINT)>(driver_manager, "SQLFreeStmt");
  const auto report = bound<int (*)(void*, void*, void*)>(message_library, "SOLVAKE");
  int result = kMissingName;
  if (alloc && drop && report) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    alloc(*static_cast<SQLHDBC*>(connection_field), &statement);
    report(&statement, environment_field, connection_field);
    drop(statement, SQL_DROP);
    result = 0;
  }
  if (message_library) dlclose(message_library);
  if (driver_manager) dlclose(driver_manager);
  return result;
}

int probe(void* const* parameters, int count, int& calls) {
  mark_positions(parameters, count - 2);
  if (cycle_through_outside_modules(parameters[count - 2], parameters[count - 1]) != 0) {
    return kMissingName;
  }
  return ++calls;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int VELDORIN(
    void* p1, void* p2, void* p3, void* p4, void* p5, void* p6, void* p7, void* p8, void* p9,
    void* p10, void* p11, void* p12, void* p13, void* p14, void* p15, void* p16, void* p17) {
  void* const parameters[] = {p1,  p2,  p3,  p4,  p5,  p6,  p7,  p8, p9,
                              p10, p11, p12, p13, p14, p15, p16, p17};
  return probe(parameters, VELDORIN_PARAMETER_COUNT, veldorin_calls);
}

extern "C" __attribute__((visibility("default"))) int MARQUETH(void* p1, void* p2, void* p3,
                                                               void* p4, void* p5, void* p6,
                                                               void* p7, void* p8, void* p9,
                                                               void* p10, void* p11, void* p12,
                                                               void* p13, void* p14, void* p15) {
  void* const parameters[] = {p1, p2, p3, p4, p5, p6, p7, p8, p9, p10, p11, p12, p13, p14, p15};
  return probe(parameters, MARQUETH_PARAMETER_COUNT, marqueth_calls);
}
