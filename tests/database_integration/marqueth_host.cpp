#include "marqueth_host.hpp"

#include <tuple>

#include "fixed_text.hpp"
#include "lookup_modules.hpp"
#include "stderr_capture.hpp"

namespace database_integration {

MarquethFields marqueth_fields(const OdbcSession& session, char function_code, DatabaseKind kind,
                               const MarquethKeys& keys) {
  MarquethFields fields;
  // The text fields lie back to back (char arrays need no padding) up to the database kind.
  std::fill(fields.function_code, fields.database_kind, kUnwritten);
  fields.function_code[0] = function_code;
  put_key(fields.customer_kind, keys.customer_kind);
  put_key(fields.customer_code, keys.customer_code);
  put_key(fields.item_code, keys.item_code);
  put_key(fields.customer_item_code, keys.customer_item_code);
  put_text(fields.database_kind, database_kind_text(kind));
  fields.environment_handle = session.environment();
  fields.connection_handle = session.connection();
  return fields;
}

std::string listing(const MarquethFields& fields) {
  return field_listing(&fields, MarquethFields::layout());
}

LookupOutcome call_marqueth(MarquethFields& fields) {
  const auto entry = lookup_modules().marqueth;
  test_support::StderrCapture capture;
  const int return_code = std::apply(entry, fields.addresses());
  std::string messages = capture.finish();
  return {return_code, listing(fields), std::move(messages)};
}

LookupOutcome run_marqueth(const OdbcSession& session, char function_code, DatabaseKind kind,
                           const MarquethKeys& keys) {
  MarquethFields fields = marqueth_fields(session, function_code, kind, keys);
  return call_marqueth(fields);
}

std::string describe(const MarquethKeys& keys) {
  return "kind " + shown_key(keys.customer_kind) + " customer " + shown_key(keys.customer_code) +
         " item " + shown_key(keys.item_code) + " customer item " +
         shown_key(keys.customer_item_code);
}

}  // namespace database_integration
