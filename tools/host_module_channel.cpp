#include "host_module_channel.hpp"

#include <dlfcn.h>

namespace itemlookup {

namespace {

template <typename Entry>
Entry entry_of(void* library, const char* name) {
  return library != nullptr ? reinterpret_cast<Entry>(dlsym(library, name)) : nullptr;
}

}  // namespace

HostModuleChannel::HostModuleChannel(const std::filesystem::path& module_directory)
    : message_module_(dlopen((module_directory / "PGMS/SOLVAKE.so").c_str(), RTLD_NOW)),
      converter_(dlopen((module_directory / "PGMS/TARNIVEL.so").c_str(), RTLD_NOW)),
      take_reports_(entry_of<solvake_take_entry>(message_module_, "SOLVAKE_TAKE")),
      take_conversions_(entry_of<tarnivel_take_entry>(converter_, "TARNIVEL_TAKE")) {
  // Whatever happened before this host asked is not its business.
  forget();
}

HostModuleChannel::~HostModuleChannel() {
  if (take_reports_ != nullptr) take_reports_(nullptr, SOLVAKE_LINES_ON);
  if (message_module_ != nullptr) dlclose(message_module_);
  if (converter_ != nullptr) dlclose(converter_);
}

void HostModuleChannel::quiet_message_module() {
  if (take_reports_ != nullptr) take_reports_(nullptr, SOLVAKE_LINES_OFF);
}

void HostModuleChannel::forget() {
  if (take_reports_ != nullptr) take_reports_(nullptr, SOLVAKE_LINES_UNCHANGED);
  if (take_conversions_ != nullptr) take_conversions_(nullptr);
}

solvake_records HostModuleChannel::take_reports() {
  // Only the counts and the kept records are read: the rest stays as it is.
  solvake_records taken;
  taken.reports = taken.errors = taken.count = taken.kept = 0;
  if (take_reports_ != nullptr) take_reports_(&taken, SOLVAKE_LINES_UNCHANGED);
  return taken;
}

tarnivel_conversions HostModuleChannel::take_conversions() {
  tarnivel_conversions taken;
  taken.count = taken.kept = 0;
  if (take_conversions_ != nullptr) take_conversions_(&taken);
  return taken;
}

}  // namespace itemlookup
