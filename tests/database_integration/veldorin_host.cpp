#include "veldorin_host.hpp"

#include <tuple>

#include "fixed_text.hpp"
#include "lookup_modules.hpp"
#include "stderr_capture.hpp"

namespace database_integration {

VeldorinFields veldorin_fields(const OdbcSession& session, char function_code, DatabaseKind kind,
                               const VeldorinKeys& keys) {
  VeldorinFields fields;
  // The text fields lie back to back (char arrays need no padding) up to the database kind.
  std::fill(fields.function_code, fields.database_kind, kUnwritten);
  fields.function_code[0] = function_code;
  put_key(fields.item_code, keys.item_code);
  put_key(fields.barcode, keys.barcode);
  put_key(fields.external_code, keys.external_code);
  put_text(fields.database_kind, database_kind_text(kind));
  fields.environment_handle = session.environment();
  fields.connection_handle = session.connection();
  return fields;
}

std::string listing(const VeldorinFields& fields) {
  return field_listing(&fields, VeldorinFields::layout());
}

LookupOutcome call_veldorin(VeldorinFields& fields) {
  const auto entry = lookup_modules().veldorin;
  test_support::StderrCapture capture;
  const int return_code = std::apply(entry, fields.addresses());
  std::string messages = capture.finish();
  return {return_code, listing(fields), std::move(messages)};
}

LookupOutcome run_veldorin(const OdbcSession& session, char function_code, DatabaseKind kind,
                           const VeldorinKeys& keys) {
  VeldorinFields fields = veldorin_fields(session, function_code, kind, keys);
  return call_veldorin(fields);
}

std::string describe(const VeldorinKeys& keys) {
  return "item " + shown_key(keys.item_code) + " barcode " + shown_key(keys.barcode) +
         " external code " + shown_key(keys.external_code);
}

}  // namespace database_integration
