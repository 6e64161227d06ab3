// What VELDORIN asks the driver manager: statement texts, the call sequence and the column
// bindings of each function code.

#include <sqlext.h>

#include "veldorin_lookup.hpp"

namespace item_data_test {
namespace {

using F = Function;

const std::string kFullFetchSelect =
    "SELECT ADFIT_FAM_VENDA,ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,ADFIT_RASTRO_NFE,"
    "ADFIT_DET_ESP,ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV,ADFIT_PESO_LIQUIDO,"
    "ADFIT_PESO_BRUTO FROM VNDADFIT WHERE ADFIT_COD_ITEM = '";
const std::string kPartialFetchSelect =
    "SELECT ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,ADFIT_RASTRO_NFE,ADFIT_COD_ANVISA,"
    "ADFIT_VALOR_PMC,ADFIT_VALOR_PMV FROM VNDADFIT WHERE ADFIT_COD_ITEM = '";
const std::string kByBarcodeSelect =
    "SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ADFIT_COD_BARRAS = '";
const std::string kByExternalSelect =
    "SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ADFIT_COD_EXTERNO = '";

std::vector<std::string> executed_texts() {
  std::vector<std::string> texts;
  for (const odbc_double::Call& call : odbc_double::calls_of(F::exec)) texts.push_back(call.text);
  return texts;
}

// alloc, exec, one bind per column, fetch, one converter call per number, free.
std::vector<F> one_statement(int columns, int numbers) {
  std::vector<F> sequence{F::alloc, F::exec};
  sequence.insert(sequence.end(), columns, F::bind);
  sequence.push_back(F::fetch);
  sequence.insert(sequence.end(), numbers, F::converter);
  sequence.push_back(F::free);
  return sequence;
}

class VeldorinStatements : public VeldorinLookup {
 protected:
  // Each statement is allocated on the host's connection, executed as NUL-terminated text and
  // dropped; every call in between goes to the handle its allocation gave.
  static void expect_each_statement_on_its_own_handle() {
    SQLHSTMT current = SQL_NULL_HSTMT;
    int allocations = 0;
    for (const odbc_double::Call& call : odbc_double::calls()) {
      SCOPED_TRACE(testing::PrintToString(call));
      if (call.function == F::alloc) {
        current = odbc_double::statement_handle(++allocations);
        EXPECT_EQ(call.connection, lookup_host::fake_connection());
      }
      if (call.function != F::converter) {
        EXPECT_EQ(call.statement, current);
      }
      if (call.function == F::exec) {
        EXPECT_EQ(call.text_length, SQL_NTS);
      }
      if (call.function == F::free) {
        EXPECT_EQ(call.option, SQL_DROP);
      }
    }
  }

  // Columns numbered from 1 as character data, each with its width + 1, targets at `offsets`
  // from the first, one indicator shared by all.
  static void expect_bindings(const std::vector<SQLLEN>& buffer_lengths,
                              const std::vector<std::ptrdiff_t>& offsets) {
    const auto binds = odbc_double::calls_of(F::bind);
    ASSERT_EQ(binds.size(), buffer_lengths.size());
    const char* first = static_cast<const char*>(binds[0].target);
    for (std::size_t i = 0; i < binds.size(); ++i) {
      SCOPED_TRACE("column " + std::to_string(i + 1));
      EXPECT_EQ(binds[i].column, i + 1);
      EXPECT_EQ(binds[i].c_type, SQL_C_CHAR);
      EXPECT_EQ(binds[i].buffer_length, buffer_lengths[i]);
      EXPECT_EQ(static_cast<const char*>(binds[i].target) - first, offsets[i]);
      EXPECT_NE(binds[i].indicator, nullptr);
      EXPECT_EQ(binds[i].indicator, binds[0].indicator);
    }
  }
};

TEST_F(VeldorinStatements, FullFetchSelectsElevenColumnsByItemCode) {
  odbc_double::script_row(1, full_fetch().row({}));
  EXPECT_EQ(lookup('1'), 0);
  EXPECT_EQ(executed_texts(), std::vector{kFullFetchSelect + "A1" + spaces(14) + "'"});
  EXPECT_EQ(odbc_double::functions(), one_statement(11, 4));
  expect_each_statement_on_its_own_handle();
  // Each target right behind the previous one's width.
  expect_bindings({11, 17, 17, 56, 2, 2, 14, 15, 15, 14, 14},
                  {0, 10, 26, 42, 97, 98, 99, 112, 126, 140, 153});
}

TEST_F(VeldorinStatements, PartialFetchSelectsSevenColumnsByItemCode) {
  odbc_double::script_row(1, partial_fetch().row({}));
  EXPECT_EQ(lookup('2'), 0);
  EXPECT_EQ(executed_texts(), std::vector{kPartialFetchSelect + "A1" + spaces(14) + "'"});
  EXPECT_EQ(odbc_double::functions(), one_statement(7, 2));
  expect_each_statement_on_its_own_handle();
  // The same places in the result area as "1": the unselected detail flag's byte stays between
  // the trace flag and the ANVISA code.
  expect_bindings({17, 17, 56, 2, 14, 15, 15}, {0, 16, 32, 87, 89, 102, 116});
}

TEST_F(VeldorinStatements, ItemCodeByBarcodeThenByExternalCode) {
  lookup_host::put(fields.barcode, "7891234567895");
  lookup_host::put(fields.external_code, "EXT-0001");
  EXPECT_EQ(lookup('3'), 0);
  EXPECT_EQ(executed_texts(), (std::vector{kByBarcodeSelect + "7891234567895   '",
                                           kByExternalSelect + "EXT-0001        '"}));
  std::vector<F> sequence = one_statement(1, 0);
  sequence.insert(sequence.end(), sequence.begin(), sequence.end());
  EXPECT_EQ(odbc_double::functions(), sequence);
  expect_each_statement_on_its_own_handle();
  for (const odbc_double::Call& bind : odbc_double::calls_of(F::bind)) {
    EXPECT_EQ(bind.column, 1);
    EXPECT_EQ(bind.c_type, SQL_C_CHAR);
    EXPECT_EQ(bind.buffer_length, 17);
  }
}

TEST_F(VeldorinStatements, KeysKeepTheirFullWidthWithEveryApostropheDoubled) {
  lookup_host::put(fields.item_code, "O'NEIL-7''");
  lookup('1');
  lookup('2');
  lookup_host::put(fields.barcode, "'789");
  lookup_host::put(fields.external_code, "EXT-O'NEIL");
  lookup('3');
  EXPECT_EQ(executed_texts(), (std::vector{kFullFetchSelect + "O''NEIL-7''''" + spaces(6) + "'",
                                           kPartialFetchSelect + "O''NEIL-7''''" + spaces(6) + "'",
                                           kByBarcodeSelect + "''789" + spaces(12) + "'",
                                           kByExternalSelect + "EXT-O''NEIL" + spaces(6) + "'"}));
}

}  // namespace
}  // namespace item_data_test
