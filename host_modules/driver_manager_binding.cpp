#include "driver_manager_binding.hpp"

#include <dlfcn.h>

#include <atomic>

namespace host_modules {
namespace {

// Same soname the lookup modules open, so both reach the one driver manager that owns the handles.
constexpr const char* kDriverManagerLibrary = "libodbc.so.2";

constinit std::atomic<DiagnosticRecordReader> bound_reader{nullptr};

}  // namespace

DiagnosticRecordReader bind_diagnostic_record_reader() {
  if (DiagnosticRecordReader reader = bound_reader.load(std::memory_order_acquire)) return reader;
  void* driver_manager = dlopen(kDriverManagerLibrary, RTLD_NOW);
  if (driver_manager == nullptr) return nullptr;
  auto reader = reinterpret_cast<DiagnosticRecordReader>(dlsym(driver_manager, "SQLGetDiagRec"));
  if (reader == nullptr) {
    dlclose(driver_manager);
    return nullptr;
  }
  // The library stays open for the life of the process: the bound address points into it.
  bound_reader.store(reader, std::memory_order_release);
  return reader;
}

}  // namespace host_modules
