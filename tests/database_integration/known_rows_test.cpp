// The exact bytes a host receives for demo rows whose values are worked out by hand from
// db/demo_rows.sql, on each database: what the cross-database comparison must agree on.
#include <gtest/gtest.h>

#include "demo_databases.hpp"
#include "fixed_text.hpp"
#include "marqueth_host.hpp"
#include "veldorin_host.hpp"

namespace database_integration {
namespace {

constexpr DatabaseKind kDefault = DatabaseKind::plain;

// A text field's bytes without its padding.
template <std::size_t N>
std::string text_of(const char (&field)[N]) {
  const std::string_view bytes(field, N);
  return std::string(bytes.substr(0, bytes.find_last_not_of(' ') + 1));
}

class KnownRows : public testing::TestWithParam<Database> {
 protected:
  void SetUp() override { open_or_skip(GetParam()); }
  OdbcSession& session() { return demo_database(GetParam()); }
};

TEST_P(KnownRows, VeldorinFullFetchOfAnOrdinaryItem) {
  const VeldorinKeys keys{.item_code = "1001"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_FULL_FETCH, kDefault, keys);
  put_text(expected.sales_family, "ANALGESICO");
  put_text(expected.external_code, "EXT-1001");
  put_text(expected.barcode, "7891000100017");
  put_text(expected.description, "PARACETAMOL 500MG 20 COMPRIMIDOS");
  put_text(expected.trace_flag, "S");
  put_text(expected.detail_flag, "N");
  put_text(expected.anvisa_code, "1001000100011");
  put_text(expected.pmc_value, "000000001234");
  put_text(expected.pmv_value, "000000001050");
  put_text(expected.net_weight, "00000000025");
  put_text(expected.gross_weight, "00000000031");
  put_text(expected.status, VELDORIN_STATUS_FOUND);

  const LookupOutcome outcome = run_veldorin(session(), VELDORIN_FULL_FETCH, kDefault, keys);
  EXPECT_EQ(outcome.fields, listing(expected));
  EXPECT_EQ(outcome.messages, "");
}

TEST_P(KnownRows, VeldorinFullFetchOfTheWidestValues) {
  const VeldorinKeys keys{.item_code = "ABCDEFGHIJKLMNOP"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_FULL_FETCH, kDefault, keys);
  put_text(expected.sales_family, "FAMILIA-10");
  put_text(expected.external_code, "EXT0000000000016");
  put_text(expected.barcode, "7890000000000016");
  put_text(expected.description, "SUPLEMENTO VITAMINICO COMPLETO FRASCO 60 CAPSULAS 1000M");
  put_text(expected.trace_flag, "S");
  put_text(expected.detail_flag, "S");
  put_text(expected.anvisa_code, "1000000000013");
  put_text(expected.pmc_value, "999999999999");
  put_text(expected.pmv_value, "000000000001");
  put_text(expected.net_weight, "99999999999");
  put_text(expected.gross_weight, "99999999999");
  put_text(expected.status, VELDORIN_STATUS_FOUND);

  EXPECT_EQ(run_veldorin(session(), VELDORIN_FULL_FETCH, kDefault, keys).fields, listing(expected));
}

TEST_P(KnownRows, VeldorinFullFetchOfARowWithOnlyItsKey) {
  const VeldorinKeys keys{.item_code = "1008"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_FULL_FETCH, kDefault, keys);
  put_text(expected.sales_family, "");
  put_text(expected.external_code, "");
  put_text(expected.barcode, "");
  put_text(expected.description, "");
  put_text(expected.trace_flag, "");
  put_text(expected.detail_flag, "");
  put_text(expected.anvisa_code, "");
  put_text(expected.pmc_value, "000000000000");
  put_text(expected.pmv_value, "000000000000");
  put_text(expected.net_weight, "00000000000");
  put_text(expected.gross_weight, "00000000000");
  put_text(expected.status, VELDORIN_STATUS_FOUND);

  EXPECT_EQ(run_veldorin(session(), VELDORIN_FULL_FETCH, kDefault, keys).fields, listing(expected));
}

TEST_P(KnownRows, VeldorinPartialFetchOfAMissingItemClearsItsFields) {
  const VeldorinKeys keys{.item_code = "O'NEIL-8"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_PARTIAL_FETCH, kDefault, keys);
  put_text(expected.external_code, "");
  put_text(expected.barcode, "");
  put_text(expected.description, "");
  put_text(expected.trace_flag, "");
  put_text(expected.anvisa_code, "");
  put_text(expected.pmc_value, "000000000000");
  put_text(expected.pmv_value, "000000000000");
  put_text(expected.status, VELDORIN_STATUS_ITEM_NOT_FOUND);

  EXPECT_EQ(run_veldorin(session(), VELDORIN_PARTIAL_FETCH, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, VeldorinResolutionPrefersTheBarcode) {
  const VeldorinKeys keys{.barcode = "7891000100017", .external_code = "EXT-1009"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_RESOLVE_ITEM_CODE, kDefault, keys);
  put_text(expected.item_code, "1001");
  put_text(expected.status, VELDORIN_STATUS_FOUND);

  EXPECT_EQ(run_veldorin(session(), VELDORIN_RESOLVE_ITEM_CODE, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, VeldorinResolutionFallsBackToAnExternalCodeWithAnApostrophe) {
  const VeldorinKeys keys{.barcode = "", .external_code = "EXT-O'NEIL"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_RESOLVE_ITEM_CODE, kDefault, keys);
  put_text(expected.item_code, "O'NEIL-7");
  put_text(expected.status, VELDORIN_STATUS_FOUND);

  EXPECT_EQ(run_veldorin(session(), VELDORIN_RESOLVE_ITEM_CODE, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, VeldorinResolutionFindingNeitherCode) {
  const VeldorinKeys keys{.barcode = "NO-SUCH-CODE", .external_code = "EXT-O'NEIL-2"};
  VeldorinFields expected = veldorin_fields(session(), VELDORIN_RESOLVE_ITEM_CODE, kDefault, keys);
  put_text(expected.status, VELDORIN_STATUS_CODES_NOT_FOUND);

  EXPECT_EQ(run_veldorin(session(), VELDORIN_RESOLVE_ITEM_CODE, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, MarquethCustomerItemFetch) {
  const MarquethKeys keys{.customer_kind = "C", .customer_code = "00042", .item_code = "1001"};
  MarquethFields expected =
      marqueth_fields(session(), MARQUETH_CUSTOMER_ITEM_FETCH, kDefault, keys);
  put_text(expected.customer_item_code, "PARA500-CLI42");
  put_text(expected.unit, "CX");
  put_text(expected.factor, "000000123456789");
  put_text(expected.minimum_lot, "00000010000");
  put_text(expected.order_multiple, "00000005000");
  put_text(expected.barcode, "7891000100017");
  put_text(expected.days, "0030");

  const LookupOutcome outcome =
      run_marqueth(session(), MARQUETH_CUSTOMER_ITEM_FETCH, kDefault, keys);
  EXPECT_EQ(outcome.fields, listing(expected));
  EXPECT_EQ(outcome.messages, "");
}

TEST_P(KnownRows, MarquethCustomerItemFetchOfTheSmallestFactor) {
  const MarquethKeys keys{.customer_kind = "C", .customer_code = "00007", .item_code = "1001"};
  MarquethFields expected =
      marqueth_fields(session(), MARQUETH_CUSTOMER_ITEM_FETCH, kDefault, keys);
  put_text(expected.customer_item_code, "7-PARACETAMOL");
  put_text(expected.unit, "FD");
  put_text(expected.factor, "000000000000001");
  put_text(expected.minimum_lot, "00000000001");
  put_text(expected.order_multiple, "00000000001");
  put_text(expected.barcode, "");
  put_text(expected.days, "0007");

  EXPECT_EQ(run_marqueth(session(), MARQUETH_CUSTOMER_ITEM_FETCH, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, MarquethResolutionOfACustomerCodeWithAnApostrophe) {
  const MarquethKeys keys{
      .customer_kind = "C", .customer_code = "00042", .customer_item_code = "LOCAO O'NEIL CLI"};
  MarquethFields expected = marqueth_fields(session(), MARQUETH_RESOLVE_ITEM_CODE, kDefault, keys);
  put_text(expected.item_code, "O'NEIL-7");

  EXPECT_EQ(run_marqueth(session(), MARQUETH_RESOLVE_ITEM_CODE, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, MarquethCodesFetchOfAMissingItemBlanksTheCodes) {
  const MarquethKeys keys{.customer_kind = "C", .customer_code = "00042", .item_code = "O'NEIL-8"};
  MarquethFields expected = marqueth_fields(session(), MARQUETH_CODES_FETCH, kDefault, keys);
  put_text(expected.customer_item_code, "");
  put_text(expected.barcode, "");
  put_text(expected.status, MARQUETH_STATUS_NOT_FOUND);

  EXPECT_EQ(run_marqueth(session(), MARQUETH_CODES_FETCH, kDefault, keys).fields,
            listing(expected));
}

TEST_P(KnownRows, MarquethUnitFetchOfTheLargestFactor) {
  const MarquethKeys keys{
      .customer_kind = "C", .customer_code = "99999", .item_code = "ABCDEFGHIJKLMNOP"};
  MarquethFields expected = marqueth_fields(session(), MARQUETH_UNIT_FETCH, kDefault, keys);
  put_text(expected.unit, "CX12");
  put_text(expected.factor, "999999999999999");

  EXPECT_EQ(run_marqueth(session(), MARQUETH_UNIT_FETCH, kDefault, keys).fields, listing(expected));
}

// Keys that end their literal early, or match every row, wherever a backslash escapes: read as
// standard SQL each finds its own row or none.
TEST_P(KnownRows, BackslashesInKeysAreOrdinaryBytes) {
  struct ItemCase {
    char function_code;
    VeldorinKeys keys;
    const char* item_code;  // what the item code field holds afterwards
    const char* status;
  };
  const ItemCase item_cases[] = {
      {VELDORIN_FULL_FETCH, {.item_code = "BARRA\\'S-1011"}, "BARRA\\'S-1011", "00000"},
      {VELDORIN_FULL_FETCH, {.item_code = "\\' OR 1=1 #"}, "\\' OR 1=1 #", "01027"},
      {VELDORIN_FULL_FETCH, {.item_code = "ABCDEFGHIJKLMNO\\"}, "ABCDEFGHIJKLMNO\\", "01027"},
      {VELDORIN_RESOLVE_ITEM_CODE,
       {.barcode = "", .external_code = "EXT\\'1011\\"},
       "BARRA\\'S-1011",
       "00000"},
      {VELDORIN_RESOLVE_ITEM_CODE,
       {.barcode = "\\' OR 1=1 #", .external_code = "\\' OR 1=1 #"},
       "",
       "02129"},
  };
  for (const ItemCase& item : item_cases) {
    SCOPED_TRACE(describe(item.keys));
    VeldorinFields fields = veldorin_fields(session(), item.function_code, kDefault, item.keys);
    const LookupOutcome outcome = call_veldorin(fields);
    EXPECT_EQ(text_of(fields.status), item.status);
    if (*item.item_code != '\0') {
      EXPECT_EQ(text_of(fields.item_code), item.item_code);
    }
    EXPECT_EQ(outcome.messages, "");
  }

  struct CustomerCase {
    char function_code;
    MarquethKeys keys;
    const char* item_code;  // the item code field afterwards (function code "2")
    const char* status;     // "00000" where the row is found: the status the host preset
  };
  const CustomerCase customer_cases[] = {
      {MARQUETH_RESOLVE_ITEM_CODE,
       {.customer_kind = "C",
        .customer_code = "00042",
        .customer_item_code = "C:\\ITENS\\O'NEIL\\"},
       "BARRA\\'S-1011",
       "00000"},
      {MARQUETH_RESOLVE_ITEM_CODE,
       {.customer_kind = "C",
        .customer_code = "00042",
        .customer_item_code = "\\' UNION SELECT USER() #"},
       "",
       "02129"},
      // What a C host can write into the numeric customer code field.
      {MARQUETH_RESOLVE_ITEM_CODE,
       {.customer_kind = "C", .customer_code = "0004\\", .customer_item_code = " OR 1=1 #"},
       "",
       "02129"},
      {MARQUETH_CUSTOMER_ITEM_FETCH,
       {.customer_kind = "C", .customer_code = "0004\\", .item_code = " OR 1=1 #"},
       "",
       "00003"},
  };
  for (const CustomerCase& customer : customer_cases) {
    SCOPED_TRACE(describe(customer.keys));
    MarquethFields fields =
        marqueth_fields(session(), customer.function_code, kDefault, customer.keys);
    put_text(fields.status, "00000");
    const LookupOutcome outcome = call_marqueth(fields);
    EXPECT_EQ(text_of(fields.status), customer.status);
    if (*customer.item_code != '\0') {
      EXPECT_EQ(text_of(fields.item_code), customer.item_code);
    }
    EXPECT_EQ(outcome.messages, "");
  }
}

INSTANTIATE_TEST_SUITE_P(OnEachDatabase, KnownRows, testing::ValuesIn(kEveryDatabase),
                         [](const testing::TestParamInfo<Database>& info) {
                           return std::string(name(info.param));
                         });

}  // namespace
}  // namespace database_integration
