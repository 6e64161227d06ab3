#include "veldorin_host.hpp"

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
  fields.environment = session.environment();
  fields.connection = session.connection();
  return fields;
}

std::string listing(const VeldorinFields& fields) {
  return FieldListing()
      .add("function_code", fields.function_code)
      .add("item_code", fields.item_code)
      .add("sales_family", fields.sales_family)
      .add("external_code", fields.external_code)
      .add("barcode", fields.barcode)
      .add("description", fields.description)
      .add("trace_flag", fields.trace_flag)
      .add("detail_flag", fields.detail_flag)
      .add("anvisa_code", fields.anvisa_code)
      .add("pmc_value", fields.pmc_value)
      .add("pmv_value", fields.pmv_value)
      .add("net_weight", fields.net_weight)
      .add("gross_weight", fields.gross_weight)
      .add("status", fields.status)
      .add("database_kind", fields.database_kind)
      .text();
}

LookupOutcome call_veldorin(VeldorinFields& fields) {
  const auto entry = lookup_modules().veldorin;
  StderrCapture capture;
  const int return_code = entry(
      fields.function_code, fields.item_code, fields.sales_family, fields.external_code,
      fields.barcode, fields.description, fields.trace_flag, fields.detail_flag, fields.anvisa_code,
      fields.pmc_value, fields.pmv_value, fields.net_weight, fields.gross_weight, fields.status,
      fields.database_kind, &fields.environment, &fields.connection);
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
