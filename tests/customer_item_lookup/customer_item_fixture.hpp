// Shared set-up for MARQUETH over the ODBC test double: one customer's request as a host fills it,
// a typical cross-reference row, and which host fields a call wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "lookup_host.hpp"
#include "odbc_double.hpp"

namespace customer_item_test {

using F = odbc_double::Function;
using lookup_host::MarquethFields;
using lookup_host::put;
using lookup_host::text;
using odbc_double::Row;
using odbc_double::sql_null;

// A status an earlier step of the host left behind; MARQUETH keeps it whenever it finds the row.
inline constexpr char kHostStatus[] = "12345";

// The columns of function code "1", in select order.
enum Column { customer_item, unit, factor, minimum_lot, order_multiple, barcode, days };

inline std::string spaces(std::size_t count) {
  return std::string(count, ' ');
}

// Customer kind "C", customer "00042", item "ABC-1", customer item code "CLI-ITEM-9"; the output
// fields keep their marks so that a field the module writes shows.
inline MarquethFields request(const char* function_code) {
  MarquethFields fields;
  put(fields.function_code, function_code);
  put(fields.customer_kind, "C");
  put(fields.customer_code, "00042");
  put(fields.item_code, "ABC-1");
  put(fields.customer_item_code, "CLI-ITEM-9");
  put(fields.status, kHostStatus);
  put(fields.database_kind, "POSTGRESQL");
  return fields;
}

// A full row of function code "1".
inline Row typical_row() {
  return {"CLI-ITEM-9", "CX", "12.5", "10", "2.5", "7891234567895", "30"};
}

class CustomerItemLookup : public testing::Test {
 protected:
  void SetUp() override { odbc_double::reset(); }
  void TearDown() override {
    EXPECT_TRUE(odbc_double::open_statements().empty()) << "a statement was left open\n" << trace();
  }

  // Calls MARQUETH, keeping the fields as the host passed them for written().
  int call(MarquethFields& fields) {
    passed_ = fields;
    return marqueth.call(fields);
  }

  // Names of the fields the last call changed, in parameter order.
  std::vector<std::string> written(const MarquethFields& fields) const {
    return lookup_host::changed_fields(&fields, &passed_, MarquethFields::layout());
  }

  // The fields the last call changed with their bytes, in parameter order.
  std::vector<std::pair<std::string, std::string>> written_bytes(
      const MarquethFields& fields) const {
    std::vector<std::pair<std::string, std::string>> bytes;
    for (const std::string& name : written(fields)) {
      for (const lookup_host::FieldInfo& field : MarquethFields::layout()) {
        if (name == field.name) {
          bytes.emplace_back(
              name,
              std::string(reinterpret_cast<const char*>(&fields) + field.offset, field.width));
        }
      }
    }
    return bytes;
  }

  static std::string trace() { return odbc_double::describe(odbc_double::calls()); }

  lookup_host::MarquethHost marqueth;

 private:
  MarquethFields passed_;
};

}  // namespace customer_item_test
