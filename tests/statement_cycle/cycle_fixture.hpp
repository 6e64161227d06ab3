// Shared set-up for the statement cycle tests: both modules loaded over the ODBC test double.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lookup_host.hpp"
#include "odbc_double.hpp"

namespace statement_cycle_test {

using odbc_double::Call;
using odbc_double::Function;
using F = odbc_double::Function;

class StatementCycle : public testing::Test {
 protected:
  void SetUp() override { odbc_double::reset(); }
  void TearDown() override {
    if (!drop_fails_) {
      EXPECT_TRUE(odbc_double::open_statements().empty()) << "a statement was left open";
    }
  }

  // Scripts a failed drop: that statement stays open in the double.
  void fail_drop(int occurrence) {
    odbc_double::fail(F::free, occurrence);
    drop_fails_ = true;
  }

  // VELDORIN resolving by barcode and external code: the first operation of the item module.
  lookup_host::VeldorinFields resolution(const char* barcode = "7891000100017",
                                         const char* external = "EXT-1") {
    lookup_host::VeldorinFields fields;
    lookup_host::put(fields.function_code, "3");
    lookup_host::put(fields.barcode, barcode);
    lookup_host::put(fields.external_code, external);
    lookup_host::put(fields.database_kind, "");
    return fields;
  }

  static std::string trace() { return odbc_double::describe(odbc_double::calls()); }

  lookup_host::VeldorinHost veldorin;
  lookup_host::MarquethHost marqueth;

 private:
  bool drop_fails_ = false;
};

}  // namespace statement_cycle_test
