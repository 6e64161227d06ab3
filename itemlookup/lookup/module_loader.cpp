#include "lookup/module_loader.hpp"

#include <string>

#include "errors_and_text/cannot_run.hpp"
#include "platform/shared_library.hpp"

namespace itemlookup {

LoadedModule::LoadedModule(const ModuleDef& module, const std::filesystem::path& directory)
    : module_(module) {
  const std::filesystem::path file =
      directory / (std::string(module.entry_name) + platform::kLibrarySuffix);
  library_ = platform::load_library(file);
  if (library_ == nullptr) {
    throw CannotRun("cannot load module " + file.string() + ": " +
                    platform::last_library_failure() +
                    " (give the module directory with --modules DIR)");
  }
  const std::string entry_name(module.entry_name);
  entry_ = platform::library_entry(library_, entry_name.c_str());
  if (entry_ == nullptr) {
    const std::string message = platform::last_library_failure();
    platform::unload_library(library_);
    throw CannotRun("module " + file.string() + " has no entry point " + entry_name + ": " +
                    message);
  }
}

LoadedModule::~LoadedModule() {
  platform::unload_library(library_);
}

ModuleSet::ModuleSet(const std::filesystem::path& directory)
    : item_data_(kItemDataModule, directory), customer_item_(kCustomerItemModule, directory) {}

const LoadedModule& ModuleSet::module_for(const ModuleDef& module) const {
  return &module == &kItemDataModule ? item_data_ : customer_item_;
}

}  // namespace itemlookup
