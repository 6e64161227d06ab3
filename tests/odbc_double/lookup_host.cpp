#include "lookup_host.hpp"

#include <stdexcept>
#include <system_error>

#include "odbc_double.hpp"
#include "test_platform.hpp"

namespace lookup_host {

namespace {

std::runtime_error load_error(const std::filesystem::path& module, const std::string& what) {
  const std::string detail = test_platform::last_error();
  return std::runtime_error(module.string() + ": " + what + (detail.empty() ? "" : ": " + detail));
}

}  // namespace

std::filesystem::path default_host_directory() {
  return LOOKUP_HOST_DEFAULT_DIRECTORY;
}

LoadedModule::LoadedModule(std::filesystem::path module, std::string entry_name,
                           const std::filesystem::path& host_directory)
    : module_(std::move(module)),
      entry_name_(std::move(entry_name)),
      previous_directory_(std::filesystem::current_path()) {
  std::filesystem::current_path(host_directory);
  try {
    load();
  } catch (...) {
    std::filesystem::current_path(previous_directory_);
    throw;
  }
}

LoadedModule::~LoadedModule() {
  if (handle_ != nullptr) test_platform::unload_library(handle_);
  std::error_code ignored;
  std::filesystem::current_path(previous_directory_, ignored);
}

void LoadedModule::load() {
  if (handle_ != nullptr) return;
  // Otherwise the module would reach a real driver manager, or none.
  if (!odbc_double::is_process_driver_manager()) {
    throw std::runtime_error(
        "the driver manager in this process is not the test double; link odbc_double");
  }
  handle_ = test_platform::load_library(module_);
  if (handle_ == nullptr) throw load_error(module_, "cannot load");
  entry_ = test_platform::find_entry(handle_, entry_name_.c_str());
  if (entry_ == nullptr) {
    const std::runtime_error error = load_error(module_, "no entry point " + entry_name_);
    test_platform::unload_library(handle_);
    handle_ = nullptr;
    throw error;
  }
}

bool LoadedModule::unload() {
  if (handle_ == nullptr) return true;
  test_platform::unload_library(handle_);
  handle_ = nullptr;
  entry_ = nullptr;
  return !test_platform::is_loaded(module_);
}

void LoadedModule::reload() {
  if (!unload())
    throw std::runtime_error(module_.string() + " stayed loaded after it was unloaded");
  load();
}

void* LoadedModule::entry() const {
  if (entry_ == nullptr) throw std::logic_error(module_.string() + " is not loaded");
  return entry_;
}

}  // namespace lookup_host
