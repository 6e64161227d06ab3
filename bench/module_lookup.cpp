#include "module_lookup.hpp"

#include <string>

#include "item_lookup.h"

namespace lookup_bench {

ModuleLookup::ModuleLookup(const LookupCase& lookup, const std::filesystem::path& module_directory,
                           SQLHENV environment, SQLHDBC connection)
    : lookup_(lookup), module_(lookup.module, module_directory), fields_(lookup.module) {
  const itemlookup::ModuleDef& module = lookup.module;
  fields_.set(module.function_code, std::string(1, lookup.function_code));
  fields_.set(module.database_kind, padded("", LOOKUP_DATABASE_KIND_WIDTH));
  fields_.set_handle(module.environment, environment);
  fields_.set_handle(module.connection, connection);
  for (const CaseKey& key : lookup.keys) fields_.set(key.parameter, padded_key(key));
}

bool ModuleLookup::found() const {
  return result_ == 0 && holds_checked_value(lookup_, fields_.value(lookup_.checked_parameter));
}

std::filesystem::path built_module_directory() {
  return ITEM_LOOKUP_LIB_DIR;
}

}  // namespace lookup_bench
