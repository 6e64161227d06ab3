#include "lookup/lookup_host.hpp"

#include <utility>

#include "connection/lookup_watchdog.hpp"
#include "item_lookup.h"
#include "lookup/host_fields.hpp"
#include "lookup/lookup_diagnostics.hpp"

namespace itemlookup {

namespace {

// Fields as a module's call left them, or as the host set them up when the module was not called.
void keep_fields(const HostFields& fields, LookupResult& result) {
  result.offsets = fields.offsets();
  result.fields.assign(fields.values());
}

void set_request(HostFields& fields, const LookupRequest& request) {
  const LookupCommand& command = *request.command;
  fields.set(command.module.function_code, std::string_view(&command.function_code, 1));
  for (const KeyValue& key : request.keys) fields.set(key.parameter, key.field);
}

}  // namespace

LookupHost::LookupHost(const ModuleSet& modules, const OdbcConnection& connection,
                       std::string_view database_kind, HostModuleChannel* channel, bool latin1)
    : modules_(modules),
      connection_(connection),
      database_kind_(database_kind),
      channel_(channel),
      latin1_(latin1),
      item_fields_(kItemDataModule),
      customer_fields_(kCustomerItemModule) {
  database_kind_.resize(LOOKUP_DATABASE_KIND_WIDTH, ' ');
}

LookupResult LookupHost::run(const LookupRequest& request) const {
  LookupResult result;
  run(request, result);
  return result;
}

void LookupHost::run(const LookupRequest& request, LookupResult& result) const {
  const LookupCommand& command = *request.command;
  const ModuleDef& module = command.module;
  // Keys go between apostrophes: only a session set up to read them as written may see one.
  if (!connection_.usable_for_keys()) {
    result = unrun_lookup(request, {"08003", 0,
                                    "the connection is closed: the last new connection failed or "
                                    "its session was not set up, so no key was sent on it",
                                    false});
    result.latin1 = latin1_;
    return;
  }
  HostFields& fields = &module == &kItemDataModule ? item_fields_ : customer_fields_;
  fields.reset();
  set_request(fields, request);
  // MARQUETH writes the status only when a row is missing: "found" is the host's to set.
  fields.set(module.status, kStatusFound);
  fields.set(module.database_kind, database_kind_);
  fields.set_handle(module.environment, connection_.environment());
  fields.set_handle(module.connection, connection_.connection());

  result.start(command, latin1_);
  // What came before this lookup is not its business.
  if (channel_ != nullptr) channel_->forget();
  {
    const BoundedWait bounded;
    result.return_code = modules_.module_for(module).call(fields.addresses());
  }
  keep_fields(fields, result);
  if (channel_ != nullptr) {
    note_reports(channel_->take_reports(), result);
    note_conversions(channel_->take_conversions(), result);
  }
  note_undecodable_fields(result);
}

LookupResult unrun_lookup(const LookupRequest& request, LookupError error) {
  HostFields fields(request.command->module);
  set_request(fields, request);
  LookupResult result;
  result.command = request.command;
  keep_fields(fields, result);
  result.errors.push_back(std::move(error));
  return result;
}

LookupResult timed_out_lookup(const LookupRequest& request, const std::string& why) {
  return unrun_lookup(request, {"HYT00", 0, why, false});
}

}  // namespace itemlookup
