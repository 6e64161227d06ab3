#include "driver_manager_binding.hpp"

#include <atomic>

#include "platform.hpp"

namespace host_modules {
namespace {

constinit std::atomic<DiagnosticRecordReader> bound_reader{nullptr};

}  // namespace

DiagnosticRecordReader bind_diagnostic_record_reader() {
  if (DiagnosticRecordReader reader = bound_reader.load(std::memory_order_acquire)) return reader;
  // The name the lookup modules load, so both reach the one driver manager that owns the handles.
  namespace platform = lookup_frame::platform;
  void* driver_manager = platform::load_system_library(platform::kDriverManager);
  if (driver_manager == nullptr) return nullptr;
  auto reader = reinterpret_cast<DiagnosticRecordReader>(
      platform::find_entry(driver_manager, "SQLGetDiagRec"));
  if (reader == nullptr) {
    platform::unload(driver_manager);
    return nullptr;
  }
  // The library stays open for the life of the process: the bound address points into it.
  bound_reader.store(reader, std::memory_order_release);
  return reader;
}

}  // namespace host_modules
