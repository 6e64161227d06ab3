#include "lookup/module_loader.hpp"

#include <dlfcn.h>

#include <string>

#include "command/command_error.hpp"

namespace itemlookup {

namespace {

std::string loader_message() {
  const char* message = dlerror();
  return message != nullptr ? message : "unknown reason";
}

}  // namespace

LoadedModule::LoadedModule(const ModuleDef& module, const std::filesystem::path& directory)
    : module_(module) {
  const std::filesystem::path file = directory / (std::string(module.entry_name) + ".so");
  library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    throw CommandError("cannot load module " + file.string() + ": " + loader_message() +
                       " (give the module directory with --modules DIR)");
  }
  const std::string entry_name(module.entry_name);
  entry_ = dlsym(library_, entry_name.c_str());
  if (entry_ == nullptr) {
    const std::string message = loader_message();
    dlclose(library_);
    throw CommandError("module " + file.string() + " has no entry point " + entry_name + ": " +
                       message);
  }
}

LoadedModule::~LoadedModule() {
  dlclose(library_);
}

ModuleSet::ModuleSet(const std::filesystem::path& directory)
    : item_data_(kItemDataModule, directory), customer_item_(kCustomerItemModule, directory) {}

const LoadedModule& ModuleSet::module_for(const ModuleDef& module) const {
  return &module == &kItemDataModule ? item_data_ : customer_item_;
}

}  // namespace itemlookup
