// Function codes "1" and "2": column values the driver delivers, byte by byte, as the host and the
// converter receive them.

#include <string>

#include "veldorin_lookup.hpp"

namespace item_data_test {
namespace {

using odbc_double::sql_null;

class VeldorinColumnBytes : public VeldorinLookup, public testing::WithParamInterface<FetchKind> {
 protected:
  int lookup_item(const ItemColumns& item) {
    odbc_double::script_row(1, GetParam().row(item));
    return lookup(GetParam().function_code);
  }

  // What the converter was handed and left, call by call: PMC first, then PMV.
  static odbc_double::Call conversion(std::size_t n) {
    return odbc_double::calls_of(Function::converter).at(n - 1);
  }
};

TEST_P(VeldorinColumnBytes, NullColumnsGiveSpacesAndTheConverterEighteenSpaces) {
  ItemColumns item;
  item.descricao = sql_null;
  item.valor_pmv = sql_null;
  EXPECT_EQ(lookup_item(item), 0);
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
  EXPECT_EQ(lookup_host::text(fields.description), spaces(55));
  EXPECT_EQ(conversion(2).text, spaces(18));
  EXPECT_EQ(lookup_host::text(fields.pmv_value), "000000000000");
  EXPECT_EQ(lookup_host::text(fields.trace_flag), "S");
}

TEST_P(VeldorinColumnBytes, ValueAsWideAsItsFieldLeavesNoTerminatorBehind) {
  // The terminator of a full-width value lands on the next column, which is NULL here.
  ItemColumns item;
  item.descricao = "DIPIRONA SODICA 500MG/ML SOLUCAO ORAL GOTAS FRASCO 20ML";
  item.rastro_nfe = sql_null;
  item.cod_anvisa = "1012345678901";
  item.valor_pmc = sql_null;
  ASSERT_EQ(item.descricao->size(), 55u);
  EXPECT_EQ(lookup_item(item), 0);
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).result, SQL_SUCCESS);
  EXPECT_EQ(lookup_host::text(fields.description), *item.descricao);
  EXPECT_EQ(lookup_host::text(fields.trace_flag), " ");
  EXPECT_EQ(lookup_host::text(fields.anvisa_code), "1012345678901");
  EXPECT_EQ(conversion(1).text, spaces(18));
  EXPECT_EQ(lookup_host::text(fields.pmc_value), "000000000000");
}

TEST_P(VeldorinColumnBytes, NulInsideAValueReachesTheHostAsASpace) {
  ItemColumns item;
  item.descricao = std::string("AB\0CD", 5);
  item.cod_barras = std::string("789\0\0", 5);
  EXPECT_EQ(lookup_item(item), 0);
  EXPECT_EQ(lookup_host::text(fields.description), "AB CD" + spaces(50));
  EXPECT_EQ(lookup_host::text(fields.barcode), spaces(16).replace(0, 3, "789"));
}

TEST_P(VeldorinColumnBytes, ConverterGetsTheColumnTextPaddedWithSpaces) {
  ItemColumns item;
  item.valor_pmc = "123.45";
  EXPECT_EQ(lookup_item(item), 0);
  EXPECT_EQ(conversion(1).text, "123.45" + spaces(12));
  EXPECT_EQ(conversion(1).value_before, std::string(18, '0'));
  EXPECT_EQ(lookup_host::text(fields.pmc_value), "000000012345");
  EXPECT_EQ(conversion(2).text, "9.9" + spaces(15));
}

TEST_P(VeldorinColumnBytes, PriceDropsItsThirdDecimalWithoutRounding) {
  ItemColumns item;
  item.valor_pmc = "0.129";
  item.valor_pmv = "9999999999.999";
  EXPECT_EQ(lookup_item(item), 0);
  EXPECT_EQ(lookup_host::text(fields.pmc_value), "000000000012");
  EXPECT_EQ(lookup_host::text(fields.pmv_value), "999999999999");
}

TEST_P(VeldorinColumnBytes, BothDriverStylesGiveTheSameHostBytes) {
  ItemColumns item;
  item.cod_externo = "E1";
  item.descricao = sql_null;
  item.cod_anvisa = "7";
  item.valor_pmc = "1";
  lookup_item(item);
  const lookup_host::VeldorinFields terminator_only = fields;

  odbc_double::reset();
  odbc_double::set_driver_style(odbc_double::DriverStyle::zero_fill);
  fields = before;
  lookup_item(item);
  EXPECT_TRUE(
      lookup_host::changed_fields(&fields, &terminator_only, lookup_host::VeldorinFields::layout())
          .empty());
  EXPECT_EQ(lookup_host::text(fields.external_code), "E1" + spaces(14));
  EXPECT_EQ(lookup_host::text(fields.description), spaces(55));
  EXPECT_EQ(lookup_host::text(fields.anvisa_code), "7" + spaces(12));
  EXPECT_EQ(conversion(1).text, "1" + spaces(17));
}

TEST_P(VeldorinColumnBytes, SecondCallCarriesNothingOverFromTheFirst) {
  lookup_item({});
  ASSERT_EQ(lookup_host::text(fields.description), sample_bytes("description"));

  odbc_double::reset();
  ItemColumns item;
  item.descricao = sql_null;
  item.valor_pmc = sql_null;
  EXPECT_EQ(lookup_item(item), 0);
  EXPECT_EQ(lookup_host::text(fields.description), spaces(55));
  EXPECT_EQ(conversion(1).text, spaces(18));
  EXPECT_EQ(lookup_host::text(fields.pmc_value), "000000000000");
}

TEST_P(VeldorinColumnBytes, ConverterThatWritesNothingGivesZerosNotAnEarlierValue) {
  lookup_item({});
  ASSERT_EQ(lookup_host::text(fields.pmv_value), "000000000990");

  odbc_double::reset();
  odbc_double::script_converter(odbc_double::every_occurrence,
                                {.writes = odbc_double::ConverterWrites::nothing});
  EXPECT_EQ(lookup_item({}), 0);
  ASSERT_FALSE(odbc_double::calls_of(Function::converter).empty());
  for (const odbc_double::Call& call : odbc_double::calls_of(Function::converter)) {
    EXPECT_EQ(call.value_after, std::string(18, '0'));
  }
  EXPECT_EQ(lookup_host::text(fields.pmc_value), "000000000000");
  EXPECT_EQ(lookup_host::text(fields.pmv_value), "000000000000");
}

INSTANTIATE_TEST_SUITE_P(FunctionCode, VeldorinColumnBytes,
                         testing::Values(full_fetch(), partial_fetch()),
                         [](const auto& info) { return std::string(info.param.name); });

class VeldorinFullFetchWeights : public VeldorinLookup {};

TEST_F(VeldorinFullFetchWeights, KeepEightIntegerDigitsAndThreeDecimalsWithoutRounding) {
  ItemColumns item;
  item.peso_liquido = "123456789.5";
  item.peso_bruto = "12345678.9999";  // as wide as its field: the terminator lands in spare bytes
  odbc_double::script_row(1, full_fetch().row(item));
  EXPECT_EQ(lookup('1'), 0);
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).result, SQL_SUCCESS);
  const auto conversions = odbc_double::calls_of(Function::converter);
  EXPECT_EQ(conversions.at(2).text, "123456789.5" + spaces(7));
  EXPECT_EQ(conversions.at(3).text, "12345678.9999" + spaces(5));
  EXPECT_EQ(lookup_host::text(fields.net_weight), "23456789500");
  EXPECT_EQ(lookup_host::text(fields.gross_weight), "12345678999");
}

}  // namespace
}  // namespace item_data_test
