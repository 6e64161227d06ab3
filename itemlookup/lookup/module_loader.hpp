// The lookup modules, loaded as a host loads them: by path, and the entry by name.
#pragma once

#include <filesystem>
#include <span>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

class LoadedModule {
 public:
  // Throws CannotRun naming the file and the loader's message when it cannot be loaded.
  LoadedModule(const ModuleDef& module, const std::filesystem::path& directory);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  const ModuleDef& definition() const { return module_; }
  int call(std::span<void* const> parameters) const { return module_.call(entry_, parameters); }

 private:
  const ModuleDef& module_;
  void* library_ = nullptr;
  void* entry_ = nullptr;
};

// Both modules from one directory.
class ModuleSet {
 public:
  explicit ModuleSet(const std::filesystem::path& directory);
  const LoadedModule& module_for(const ModuleDef& module) const;

 private:
  LoadedModule item_data_;
  LoadedModule customer_item_;
};

}  // namespace itemlookup
