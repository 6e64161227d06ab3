// Whole lookups of both modules over the ODBC test double, with everything the double can do
// decided by the fuzz input: the function code and keys, the rows and NULLs of each execution
// (any bytes, any length), the result of every ODBC call, the message module's answers, the
// converter's replies and the driver style. After each lookup the cycle's guarantees must hold
// (lookup_invariants.hpp).
#include <cstdint>
#include <iterator>
#include <map>

#include "byte_reader.hpp"
#include "lookup_invariants.hpp"
#include "module_fields.hpp"
#include "odbc_double.hpp"

namespace {

using lookup_catalog::Module;
using lookup_catalog::ModuleFields;
using odbc_double::Function;

constexpr SQLRETURN kResults[] = {SQL_SUCCESS,        SQL_SUCCESS_WITH_INFO, SQL_ERROR,
                                  SQL_INVALID_HANDLE, SQL_NO_DATA,           SQL_NEED_DATA,
                                  SQL_STILL_EXECUTING};
constexpr int kAnswers[] = {0, 1, 2, -1, 0x10000, 0x7FFF};

// Every field an operation of the module reads as a key.
constexpr std::string_view kVeldorinKeys[] = {"item_code", "barcode", "external_code"};
constexpr std::string_view kMarquethKeys[] = {"customer_kind", "customer_code", "item_code",
                                              "customer_item_code"};
// The widest result area column is 55 bytes: values run past every width.
constexpr std::size_t kLongestValue = 72;
constexpr std::size_t kWidestRow = 11;
constexpr int kOccurrences = 14;

SQLRETURN pick_result(fuzzing::ByteReader& in) {
  const std::size_t choice = in.below(std::size(kResults) + 1);
  return choice < std::size(kResults) ? kResults[choice] : static_cast<SQLRETURN>(in.int32());
}

int pick_answer(fuzzing::ByteReader& in) {
  const std::size_t choice = in.below(std::size(kAnswers) + 1);
  return choice < std::size(kAnswers) ? kAnswers[choice] : static_cast<int>(in.int32());
}

odbc_double::Value pick_value(fuzzing::ByteReader& in) {
  if (in.below(8) == 0) return odbc_double::sql_null;
  return in.bytes(in.below(kLongestValue + 1));
}

int pick_occurrence(fuzzing::ByteReader& in) {
  return in.below(6) == 0 ? odbc_double::every_occurrence
                          : 1 + static_cast<int>(in.below(kOccurrences));
}

// Scripted drop results by occurrence; a numbered one wins over the one for every occurrence.
class DropScripts {
 public:
  void set(int occurrence, SQLRETURN result) { results_[occurrence] = result; }
  bool fails(int occurrence) const {
    auto found = results_.find(occurrence);
    if (found == results_.end()) found = results_.find(odbc_double::every_occurrence);
    return found != results_.end() && found->second != SQL_SUCCESS &&
           found->second != SQL_SUCCESS_WITH_INFO;
  }

 private:
  std::map<int, SQLRETURN> results_;
};

void script_rows(fuzzing::ByteReader& in) {
  odbc_double::set_driver_style(in.flag() ? odbc_double::DriverStyle::zero_fill
                                          : odbc_double::DriverStyle::terminator_only);
  for (int execution = 1; execution <= 2; ++execution) {
    std::vector<odbc_double::Row> rows(in.below(3));
    for (odbc_double::Row& row : rows) {
      // Mostly wide enough for any statement; sometimes short of a bound column.
      row.resize(in.below(4) == 0 ? in.below(kWidestRow + 2) : kWidestRow);
      for (odbc_double::Value& value : row) value = pick_value(in);
    }
    odbc_double::script_rows(execution, std::move(rows));
  }
}

void script_outcomes(fuzzing::ByteReader& in, DropScripts& drops) {
  for (std::size_t n = in.below(5); n > 0; --n) {
    const auto function = static_cast<Function>(in.below(6));
    const int occurrence = pick_occurrence(in);
    odbc_double::Outcome outcome{
        .result = pick_result(in),
        .columns = in.flag() ? odbc_double::Columns::written : odbc_double::Columns::untouched};
    switch (in.below(4)) {
      case 1:
        outcome.handle_written = SQLHSTMT{};
        break;
      case 2:
        outcome.handle_written = odbc_double::statement_handle(1 + static_cast<int>(in.below(3)));
        break;
      default:
        break;
    }
    odbc_double::script(function, occurrence, outcome);
    if (function == Function::free) drops.set(occurrence, outcome.result);
  }
}

void script_host_modules(fuzzing::ByteReader& in) {
  if (in.flag()) {
    odbc_double::script_message_module(odbc_double::every_occurrence, pick_answer(in));
  }
  for (std::size_t n = in.below(4); n > 0; --n) {
    odbc_double::script_message_module(1 + static_cast<int>(in.below(kOccurrences)),
                                       pick_answer(in));
  }
  for (std::size_t n = in.below(3); n > 0; --n) {
    odbc_double::ConverterReply reply{
        .writes = in.flag() ? odbc_double::ConverterWrites::nothing
                            : odbc_double::ConverterWrites::converted_value};
    if (in.flag()) reply.result = static_cast<int>(in.int32());
    odbc_double::script_converter(1 + static_cast<int>(in.below(6)), reply);
  }
}

ModuleFields host_fields(fuzzing::ByteReader& in, bool& static_cursor) {
  const Module module = in.flag() ? Module::veldorin : Module::marqueth;
  ModuleFields fields(module);
  // Mostly a code of the table; sometimes any byte at all.
  const std::uint8_t code = in.byte();
  fields.put("function_code", std::string(1, code < 224 ? static_cast<char>('1' + code % 4)
                                                        : static_cast<char>(in.byte())));
  const std::span<const std::string_view> keys =
      module == Module::veldorin ? std::span<const std::string_view>(kVeldorinKeys)
                                 : std::span<const std::string_view>(kMarquethKeys);
  for (const std::string_view key : keys) {
    const std::span<char> field = fields.field(key);
    const std::string bytes = in.bytes(field.size());
    std::copy(bytes.begin(), bytes.end(), field.begin());
  }
  static_cursor = in.flag();
  if (static_cursor) {
    fields.put("database_kind", LOOKUP_DATABASE_KIND_SQLSERVER);
  } else {
    const std::string kind = in.bytes(LOOKUP_DATABASE_KIND_WIDTH);
    std::copy(kind.begin(), kind.end(), fields.field("database_kind").begin());
    static_cursor = kind == LOOKUP_DATABASE_KIND_SQLSERVER;
  }
  // MARQUETH keeps whatever status the host passed on the row path.
  if (module == Module::marqueth && in.flag()) {
    const std::string status = in.bytes(LOOKUP_STATUS_WIDTH);
    std::copy(status.begin(), status.end(), fields.field("status").begin());
  }
  return fields;
}

lookup_catalog::ModuleHosts* hosts = nullptr;

}  // namespace

// Loads both modules before fuzzing starts, so their coverage counts from the first input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  odbc_double::reset();
  hosts = new lookup_catalog::ModuleHosts;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::ByteReader in(data, size);
  odbc_double::reset();
  bool static_cursor = false;
  ModuleFields fields = host_fields(in, static_cursor);
  DropScripts drops;
  script_rows(in);
  script_outcomes(in, drops);
  script_host_modules(in);

  const ModuleFields before = fields;
  const int return_code = hosts->call(fields);
  fuzzing::check_lookup({.before = before,
                         .after = fields,
                         .return_code = return_code,
                         .static_cursor = static_cursor,
                         .timeline = odbc_double::calls(),
                         .open_statements = odbc_double::open_statements(),
                         .drop_scripted_to_fail = [&](int n) { return drops.fails(n); }});
  return 0;
}
