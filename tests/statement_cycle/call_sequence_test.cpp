// The exact ODBC calls of one statement, their arguments, and the static cursor rule.
#include <sqlext.h>

#include "cycle_fixture.hpp"

namespace statement_cycle_test {
namespace {

using lookup_host::put;
using lookup_host::text;

TEST_F(StatementCycle, OneStatementMakesSixCallsWithTheHostsConnection) {
  odbc_double::script_row(1, {"ITEM-1"});
  auto fields = resolution();
  EXPECT_EQ(veldorin.call(fields), 0);

  EXPECT_EQ(odbc_double::functions(),
            (std::vector<Function>{F::alloc, F::exec, F::bind, F::fetch, F::free}))
      << trace();
  const std::vector<Call> calls = odbc_double::calls();
  const SQLHSTMT statement = odbc_double::statement_handle(1);
  EXPECT_EQ(calls[0].connection, lookup_host::fake_connection());
  EXPECT_EQ(calls[0].statement, statement);
  EXPECT_EQ(calls[1].statement, statement);
  EXPECT_EQ(calls[1].text,
            "SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ADFIT_COD_BARRAS = '7891000100017   '");
  EXPECT_EQ(calls[1].text_length, SQL_NTS);
  EXPECT_EQ(calls[2].column, 1);
  EXPECT_EQ(calls[2].c_type, SQL_C_CHAR);
  EXPECT_EQ(calls[2].buffer_length, 17);
  EXPECT_EQ(calls[3].statement, statement);
  EXPECT_EQ(calls[4].statement, statement);
  EXPECT_EQ(calls[4].option, SQL_DROP);
  EXPECT_EQ(text(fields.item_code), "ITEM-1          ");
  EXPECT_EQ(text(fields.status), "00000");
}

// The layout the build proves, ITEM_LOOKUP_HANDLE_BYTES wide (4 in the 32-bit run): both modules'
// handle fields as the host lays them out, and SQLLEN as the modules and the double take it.
TEST_F(StatementCycle, HandleFieldsAndLengthsHaveTheWidthTheBuildProves) {
  std::size_t handle_fields = 0;
  for (const auto layout :
       {lookup_host::VeldorinFields::layout(), lookup_host::MarquethFields::layout()}) {
    for (const lookup_host::FieldInfo& field : layout) {
      if (field.mark != 0) continue;
      ++handle_fields;
      EXPECT_EQ(field.width, std::size_t{ITEM_LOOKUP_HANDLE_BYTES}) << field.name;
    }
  }
  EXPECT_EQ(handle_fields, 4u);
  EXPECT_EQ(sizeof(SQLLEN), std::size_t{ITEM_LOOKUP_HANDLE_BYTES});
  EXPECT_EQ(sizeof(SQLULEN), std::size_t{ITEM_LOOKUP_HANDLE_BYTES});
}

TEST_F(StatementCycle, StaticCursorOnlyForTheExactSqlServerKind) {
  auto fields = resolution();
  put(fields.database_kind, LOOKUP_DATABASE_KIND_SQLSERVER);
  odbc_double::script_row(1, {"ITEM-1"});
  veldorin.call(fields);
  EXPECT_EQ(odbc_double::functions(),
            (std::vector<Function>{F::alloc, F::set_option, F::exec, F::bind, F::fetch, F::free}))
      << trace();
  const Call option = odbc_double::calls_of(F::set_option).at(0);
  EXPECT_EQ(option.statement, odbc_double::statement_handle(1));
  EXPECT_EQ(option.option, SQL_CURSOR_TYPE);
  EXPECT_EQ(option.option_value, SQL_CURSOR_STATIC);

  for (const char* kind : {"sqlserver", "SQL SERVER", "SQLSERVER     X", "SQLSERVER2"}) {
    odbc_double::reset();
    odbc_double::script_row(1, {"ITEM-1"});
    put(fields.database_kind, kind);
    veldorin.call(fields);
    EXPECT_TRUE(odbc_double::calls_of(F::set_option).empty()) << kind;
    EXPECT_EQ(text(fields.item_code), "ITEM-1          ") << kind;
  }
}

TEST_F(StatementCycle, SecondStatementRunsOnlyWhenTheFirstFindsNoRow) {
  odbc_double::script_row(2, {"FROM-EXTERNAL"});
  auto fields = resolution("MISSING", "EXT-O'NEIL");
  put(fields.status, "99999");
  EXPECT_EQ(veldorin.call(fields), 0);
  const std::vector<Call> executions = odbc_double::calls_of(F::exec);
  ASSERT_EQ(executions.size(), 2u) << trace();
  EXPECT_EQ(executions[1].text,
            "SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ADFIT_COD_EXTERNO = 'EXT-O''NEIL      '");
  EXPECT_EQ(executions[1].statement, odbc_double::statement_handle(2));
  EXPECT_EQ(odbc_double::calls_of(F::free).size(), 2u);
  EXPECT_EQ(text(fields.item_code), "FROM-EXTERNAL   ");
  EXPECT_EQ(text(fields.status), "00000");
}

TEST_F(StatementCycle, CustomerModuleRunsTheSameCycle) {
  lookup_host::MarquethFields fields;
  put(fields.function_code, "2");
  put(fields.customer_kind, "C");
  put(fields.customer_code, "00042");
  put(fields.customer_item_code, "CLI'42");
  put(fields.database_kind, LOOKUP_DATABASE_KIND_SQLSERVER);
  odbc_double::script_row(1, {"1001"});
  EXPECT_EQ(marqueth.call(fields), 0);
  EXPECT_EQ(odbc_double::functions(),
            (std::vector<Function>{F::alloc, F::set_option, F::exec, F::bind, F::fetch, F::free}))
      << trace();
  EXPECT_EQ(odbc_double::calls_of(F::exec).at(0).text,
            "SELECT AITCL_COD_ITEM FROM VNDAITCL WHERE AITCL_TIPO = 'C' AND AITCL_CODIGO = "
            "'00042' AND AITCL_ITEM_CLIENTE = 'CLI''42" +
                std::string(44, ' ') + "'");
  EXPECT_EQ(text(fields.item_code), "1001            ");
}

}  // namespace
}  // namespace statement_cycle_test
