// A host directory without PGMS/, or with only one of its modules: no crash, the documented
// outcome, and the lookup works on the next call once the modules are back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lookup_host.hpp"
#include "odbc_double.hpp"

namespace {

namespace fs = std::filesystem;
using lookup_host::put;
using lookup_host::text;
using F = odbc_double::Function;

class MissingHostModules : public testing::Test {
 protected:
  void SetUp() override {
    odbc_double::reset();
    fs::create_directories(host / "PGMS");
  }
  void TearDown() override { fs::remove_all(host); }

  void put_back(const char* file) {
    fs::copy_file(lookup_host::default_host_directory() / "PGMS" / file, host / "PGMS" / file);
  }

  static lookup_host::VeldorinFields full_fetch() {
    lookup_host::VeldorinFields fields;
    put(fields.function_code, "1");
    put(fields.item_code, "A1");
    put(fields.database_kind, "");
    return fields;
  }

  const fs::path host =
      fs::temp_directory_path() /
      ("item-lookup-host-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
};

TEST_F(MissingHostModules, MissingMessageModuleAnswersMinusOneAndTheFailedFetchFindsNoRow) {
  lookup_host::VeldorinHost veldorin(lookup_host::VeldorinFields::module_path(), host);
  odbc_double::fail(F::fetch, 1);
  auto fields = full_fetch();
  const std::string caller_description = text(fields.description);
  EXPECT_EQ(veldorin.call(fields), 0);  // the drop succeeded
  EXPECT_EQ(text(fields.status), "01027");
  EXPECT_EQ(text(fields.description), caller_description);

  odbc_double::reset();
  odbc_double::script_row(1, {"F"});
  odbc_double::fail(F::free, 1);
  EXPECT_EQ(veldorin.call(fields), 65535);  // the unresolved message module's -1
  odbc_double::reset();                     // the failed drop left the double's statement open

  put_back("SOLVAKE.so");
  odbc_double::fail(F::fetch, 1);
  odbc_double::script_message_module(1, 0);
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(odbc_double::calls_of(F::message_module).size(), 1u);
  EXPECT_EQ(text(fields.status), "00000");
}

TEST_F(MissingHostModules, MissingConverterLeavesZerosAndIsFoundOnceBack) {
  lookup_host::VeldorinHost veldorin(lookup_host::VeldorinFields::module_path(), host);
  odbc_double::script_row(odbc_double::every_occurrence,
                          {"FAM", "EXT", "BAR", "DESC", "S", "N", "ANV", "12.34", "5", "1.5", "2"});
  auto fields = full_fetch();
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.sales_family), "FAM       ");
  EXPECT_EQ(text(fields.pmc_value) + text(fields.gross_weight), std::string(23, '0'));

  put_back("TARNIVEL.so");
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.pmc_value), "000000001234");
  EXPECT_EQ(text(fields.gross_weight), "00000002000");
  EXPECT_TRUE(odbc_double::open_statements().empty());
}

}  // namespace
