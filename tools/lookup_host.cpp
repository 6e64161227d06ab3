#include "lookup_host.hpp"

#include "host_fields.hpp"
#include "item_lookup.h"

namespace itemlookup {

LookupHost::LookupHost(const ModuleSet& modules, const OdbcConnection& connection,
                       std::string_view database_kind)
    : modules_(modules), connection_(connection), database_kind_(database_kind) {
  database_kind_.resize(LOOKUP_DATABASE_KIND_WIDTH, ' ');
}

LookupResult LookupHost::run(const LookupRequest& request) const {
  const LookupCommand& command = *request.command;
  const ModuleDef& module = command.module;
  HostFields fields(module);
  fields.set(module.function_code, std::string_view(&command.function_code, 1));
  for (const KeyValue& key : request.keys) fields.set(key.parameter, key.field);
  // MARQUETH writes the status only when a row is missing: "found" is the host's to set.
  fields.set(module.status, kStatusFound);
  fields.set(module.database_kind, database_kind_);
  fields.set_handle(module.environment, connection_.environment());
  fields.set_handle(module.connection, connection_.connection());

  LookupResult result{.command = &command, .fields = {}, .return_code = 0};
  result.return_code = modules_.module_for(module).call(fields.addresses());
  for (std::size_t i = 0; i < module.parameters.size(); ++i) {
    const bool handle = module.parameters[i].kind == FieldKind::handle;
    result.fields.emplace_back(handle ? std::string_view()
                                      : fields.value(static_cast<std::uint8_t>(i)));
  }
  return result;
}

}  // namespace itemlookup
