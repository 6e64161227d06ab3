// A lookup through the module itself: loaded by path like a host loads it, called with the
// addresses of host fields that hold the case's keys and the host's connection.
#pragma once

#include <sql.h>

#include <filesystem>

#include "lookup.hpp"
#include "lookup/host_fields.hpp"
#include "lookup/module_loader.hpp"
#include "lookup_cases.hpp"

namespace lookup_bench {

class ModuleLookup : public Lookup {
 public:
  // `module_directory` holds VELDORIN.so and MARQUETH.so, with PGMS/ beside them.
  ModuleLookup(const LookupCase& lookup, const std::filesystem::path& module_directory,
               SQLHENV environment, SQLHDBC connection);

  void run() override { result_ = module_.call(fields_.addresses()); }
  bool found() const override;

 private:
  const LookupCase& lookup_;
  itemlookup::LoadedModule module_;
  itemlookup::HostFields fields_;
  int result_ = -1;
};

// The folder the build puts the modules in (with PGMS/ inside it).
std::filesystem::path built_module_directory();

}  // namespace lookup_bench
