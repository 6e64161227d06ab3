#include "lookup/host_module_channel.hpp"

#include "platform/shared_library.hpp"

namespace itemlookup {

namespace {

// What a host module is for, and what becomes of lookups without it.
struct HostModuleRole {
  const char* name;  // of the file under the module directory's PGMS, less the suffix
  const char* role;
  const char* entry;
  const char* take_entry;
  const char* without;
};

constexpr HostModuleRole kMessageModule{
    "SOLVAKE", "message module", "SOLVAKE", "SOLVAKE_TAKE",
    "without it a database error cannot be told from a missing item"};
constexpr HostModuleRole kConverter{"TARNIVEL", "converter", "TARNIVEL", "TARNIVEL_TAKE",
                                    "without it every number reads as zero"};

// The loader's message, less the file name it starts with when the caller names it anyway.
std::string loader_message(const std::string& file) {
  std::string text = platform::last_library_failure();
  if (text.starts_with(file + ": ")) text.erase(0, file.size() + 2);
  return text;
}

// Loads one host module; `problem` names what is missing when the file does not load or lacks
// either entry, and stays empty otherwise.
void* load(const std::filesystem::path& directory, const HostModuleRole& module,
           std::string& problem) {
  const std::string file =
      (directory / "PGMS" / (std::string(module.name) + platform::kLibrarySuffix)).string();
  void* library = platform::load_library(file);
  const std::string prefix = std::string(module.role) + " " + file;
  if (library == nullptr) {
    problem = prefix + " cannot be loaded (" + loader_message(file) + "): " + module.without;
    return nullptr;
  }
  for (const char* entry : {module.entry, module.take_entry}) {
    if (platform::library_entry(library, entry) == nullptr) {
      problem =
          prefix + " has no entry " + entry + " (an older " + module.role + "?): " + module.without;
      break;
    }
  }
  return library;
}

template <typename Entry>
Entry entry_of(void* library, const char* name) {
  return library != nullptr ? reinterpret_cast<Entry>(platform::library_entry(library, name))
                            : nullptr;
}

}  // namespace

HostModuleChannel::HostModuleChannel(const std::filesystem::path& module_directory)
    : message_module_(load(module_directory, kMessageModule, message_module_problem_)),
      converter_(load(module_directory, kConverter, converter_problem_)),
      take_reports_(entry_of<solvake_take_entry>(message_module_, kMessageModule.take_entry)),
      take_conversions_(entry_of<tarnivel_take_entry>(converter_, kConverter.take_entry)) {
  // Whatever happened before this host asked is not its business.
  forget();
}

HostModuleChannel::~HostModuleChannel() {
  if (take_reports_ != nullptr) take_reports_(nullptr, SOLVAKE_LINES_ON);
  if (message_module_ != nullptr) platform::unload_library(message_module_);
  if (converter_ != nullptr) platform::unload_library(converter_);
}

std::vector<std::string> HostModuleChannel::problems() const {
  std::vector<std::string> problems;
  for (const std::string* problem : {&message_module_problem_, &converter_problem_}) {
    if (!problem->empty()) problems.push_back(*problem);
  }
  return problems;
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
