// Runs lookups: fills the host's fields from a request, calls the module on the host's
// connection and keeps what the module left in every field.
#pragma once

#include <string>
#include <string_view>

#include "connection/odbc_connection.hpp"
#include "lookup/host_fields.hpp"
#include "lookup/host_module_channel.hpp"
#include "lookup/lookup_request.hpp"
#include "lookup/lookup_result.hpp"
#include "lookup/module_loader.hpp"

namespace itemlookup {

class LookupHost {
 public:
  // database_kind is the operator's --kind value, checked to fit its field. With a channel, each
  // result carries what the host-side modules saw during its lookup. latin1: the connection
  // hands over single-byte text.
  LookupHost(const ModuleSet& modules, const OdbcConnection& connection,
             std::string_view database_kind, HostModuleChannel* channel = nullptr,
             bool latin1 = false);

  // On a connection that is not usable for keys the module is not called: the result says the
  // connection is closed (08003), which calls for a new one.
  LookupResult run(const LookupRequest& request) const;
  // The same into `result`, whose room a batch keeps from lookup to lookup.
  void run(const LookupRequest& request, LookupResult& result) const;

 private:
  const ModuleSet& modules_;
  const OdbcConnection& connection_;
  std::string database_kind_;
  HostModuleChannel* channel_;
  bool latin1_;
  // Each module's parameter fields, kept from call to call and reset before each.
  mutable HostFields item_fields_;
  mutable HostFields customer_fields_;
};

// What a lookup that never reached its module reports: the request's keys, every other field as
// the host resets it, and the one error that kept it from running.
LookupResult unrun_lookup(const LookupRequest& request, LookupError error);

// What a lookup reports when the run ends while it waits for the database
// (connection/last_words.hpp): the request's keys, and the error HYT00 (timeout expired) saying
// why.
LookupResult timed_out_lookup(const LookupRequest& request, const std::string& why);

}  // namespace itemlookup
