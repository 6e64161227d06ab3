// Column values on their way to the host, under both ways a driver leaves a buffer: NULLs, values
// exactly as wide as their fields (their terminator lands on the next field), short texts, the
// fixed-point moves of the numbers and the days' digits.
#include <string>
#include <utility>
#include <vector>

#include "customer_item_fixture.hpp"

namespace customer_item_test {
namespace {

using odbc_double::DriverStyle;

const std::string kCustomerItem50 = "C" + std::string(48, '-') + "Z";
const std::string kZeros15(15, '0');
const std::string kZeros11(11, '0');

class MarquethColumnValues : public CustomerItemLookup,
                             public testing::WithParamInterface<DriverStyle> {
 protected:
  void SetUp() override { fresh(); }

  void fresh() {
    odbc_double::reset();
    odbc_double::set_driver_style(GetParam());
  }

  // Calls `function_code` with `row` as the statement's only row; the host status stays.
  MarquethFields fetched(const char* function_code, Row row) {
    odbc_double::script_row(1, std::move(row));
    MarquethFields fields = request(function_code);
    EXPECT_EQ(call(fields), 0);
    EXPECT_EQ(text(fields.status), kHostStatus) << trace();
    return fields;
  }

  static std::vector<std::string> converter_texts() {
    std::vector<std::string> texts;
    for (const odbc_double::Call& each : odbc_double::calls_of(F::converter)) {
      texts.push_back(each.text);
    }
    return texts;
  }
};

TEST_P(MarquethColumnValues, NullColumnsGiveSpacesZerosAndZeroDays) {
  const MarquethFields fields =
      fetched("1", {sql_null, sql_null, sql_null, sql_null, sql_null, sql_null, sql_null});
  EXPECT_EQ(text(fields.customer_item_code), spaces(50));
  EXPECT_EQ(text(fields.unit), spaces(4));
  EXPECT_EQ(text(fields.factor), kZeros15);
  EXPECT_EQ(text(fields.minimum_lot), kZeros11);
  EXPECT_EQ(text(fields.order_multiple), kZeros11);
  EXPECT_EQ(text(fields.barcode), spaces(16));
  EXPECT_EQ(text(fields.days), "0000");
  EXPECT_EQ(converter_texts(), std::vector<std::string>(3, spaces(18)));
}

TEST_P(MarquethColumnValues, ConverterGetsTheColumnBytesPaddedToEighteenAndAZeroValue) {
  fetched("1", typical_row());
  EXPECT_EQ(converter_texts(),
            (std::vector<std::string>{"12.5" + spaces(14), "10" + spaces(16), "2.5" + spaces(15)}));
  for (const odbc_double::Call& each : odbc_double::calls_of(F::converter)) {
    EXPECT_EQ(each.value_before, std::string(18, '0'));
  }
}

TEST_P(MarquethColumnValues, ValuesAsWideAsTheirFieldsArriveWholeAndLeaveTheNextFieldClean) {
  MarquethFields fields = fetched("1", {kCustomerItem50, sql_null, "123456789.1234567", sql_null,
                                        "1", "7891234567895123", sql_null});
  EXPECT_EQ(text(fields.customer_item_code), kCustomerItem50);
  EXPECT_EQ(text(fields.unit), spaces(4));
  EXPECT_EQ(text(fields.factor), "234567891234567");
  EXPECT_EQ(text(fields.minimum_lot), kZeros11);
  EXPECT_EQ(text(fields.barcode), "7891234567895123");
  EXPECT_EQ(text(fields.days), "0000");
  EXPECT_EQ(converter_texts().at(1), spaces(18));

  fresh();
  fields = fetched("1", {"X", "CXA1", sql_null, "1", "1", "7", "5"});
  EXPECT_EQ(text(fields.unit), "CXA1");
  EXPECT_EQ(text(fields.factor), kZeros15);
  EXPECT_EQ(converter_texts().at(0), spaces(18));

  fresh();
  fields = fetched("3", {kCustomerItem50, "7891234567895123"});
  EXPECT_EQ(text(fields.customer_item_code), kCustomerItem50);
  EXPECT_EQ(text(fields.barcode), "7891234567895123");

  fresh();
  fields = fetched("4", {"CXA1", sql_null});
  EXPECT_EQ(text(fields.unit), "CXA1");
  EXPECT_EQ(text(fields.factor), kZeros15);
  EXPECT_EQ(converter_texts(), std::vector<std::string>{spaces(18)});
}

// A driver's terminator, or its zero fill, never reaches the host: shorter texts end in spaces.
TEST_P(MarquethColumnValues, ShorterTextsReachTheHostPaddedWithSpaces) {
  MarquethFields fields = fetched("1", {"X", "KG", "1", "1", "1", "789", "7"});
  EXPECT_EQ(text(fields.customer_item_code), "X" + spaces(49));
  EXPECT_EQ(text(fields.unit), "KG  ");
  EXPECT_EQ(text(fields.barcode), "789" + spaces(13));

  fresh();
  fields = fetched("2", {"I"});
  EXPECT_EQ(text(fields.item_code), "I" + spaces(15));

  fresh();
  fields = fetched("3", {"X", "789"});
  EXPECT_EQ(text(fields.customer_item_code), "X" + spaces(49));
  EXPECT_EQ(text(fields.barcode), "789" + spaces(13));

  fresh();
  fields = fetched("4", {"KG", "1"});
  EXPECT_EQ(text(fields.unit), "KG  ");
  EXPECT_EQ(text(fields.factor), "000000010000000");
}

// Decimals beyond the field are dropped, not rounded; so is an integer digit above its eight.
TEST_P(MarquethColumnValues, NumbersMoveIntoTheirFieldsByTruncation) {
  MarquethFields fields =
      fetched("1", {"X", "UN", "12.34567891", "123456789.5", "987654321", "7", "5"});
  EXPECT_EQ(text(fields.factor), "000000123456789");
  EXPECT_EQ(text(fields.minimum_lot), "23456789500");
  EXPECT_EQ(text(fields.order_multiple), "87654321000");

  fresh();
  fields = fetched("4", {"UN", "12.34567891"});
  EXPECT_EQ(text(fields.factor), "000000123456789");
}

TEST_P(MarquethColumnValues, DaysAreTheirDigitsRightAlignedToFour) {
  const std::pair<odbc_double::Value, std::string> cases[] = {
      {"30", "0030"},     {"0030", "0030"}, {"  7", "0007"}, {"7", "0007"},
      {sql_null, "0000"}, {"X9", "0000"},   {"", "0000"},
  };
  for (const auto& [days, expected] : cases) {
    fresh();
    Row row = typical_row();
    row[Column::days] = days;
    const MarquethFields fields = fetched("1", row);
    EXPECT_EQ(text(fields.days), expected) << "days '" << days.value_or("NULL") << "'";
  }
}

// The second lookup's NULLs come from a blank result area, not from the first lookup's row.
TEST_P(MarquethColumnValues, SecondCallTakesNothingFromTheFirst) {
  odbc_double::script_row(
      1, {kCustomerItem50, "CXA1", "12.5", "10", "2.5", "7891234567895123", "0030"});
  odbc_double::script_row(2,
                          {sql_null, sql_null, sql_null, sql_null, sql_null, sql_null, sql_null});
  MarquethFields first = request("1");
  ASSERT_EQ(call(first), 0);
  EXPECT_EQ(text(first.days), "0030");
  MarquethFields second = request("1");
  ASSERT_EQ(call(second), 0);
  EXPECT_EQ(text(second.customer_item_code), spaces(50));
  EXPECT_EQ(text(second.unit), spaces(4));
  EXPECT_EQ(text(second.factor), kZeros15);
  EXPECT_EQ(text(second.minimum_lot), kZeros11);
  EXPECT_EQ(text(second.order_multiple), kZeros11);
  EXPECT_EQ(text(second.barcode), spaces(16));
  EXPECT_EQ(text(second.days), "0000");
}

INSTANTIATE_TEST_SUITE_P(BothDriverStyles, MarquethColumnValues,
                         testing::Values(DriverStyle::terminator_only, DriverStyle::zero_fill),
                         [](const testing::TestParamInfo<DriverStyle>& style) {
                           return style.param == DriverStyle::zero_fill ? "ZeroFill"
                                                                        : "TerminatorOnly";
                         });

using MarquethDriverStyles = CustomerItemLookup;

// Rows whose values fall short of, or fill, their fields give the host the same bytes whatever the
// driver does with the rest of a buffer.
TEST_F(MarquethDriverStyles, GiveIdenticalHostBytes) {
  const std::pair<const char*, Row> lookups[] = {
      {"1", {"X", "KG", "12.34567891", "123456789.5", sql_null, "789", "  7"}},
      {"1", {kCustomerItem50, "CXA1", sql_null, "1", "2", "7891234567895123", sql_null}},
      {"2", {"I"}},
      {"3", {"X", "789"}},
      {"4", {"CXA1", sql_null}},
  };
  for (const auto& [function_code, row] : lookups) {
    MarquethFields by_style[2];
    for (const DriverStyle style : {DriverStyle::terminator_only, DriverStyle::zero_fill}) {
      odbc_double::reset();
      odbc_double::set_driver_style(style);
      odbc_double::script_row(1, row);
      MarquethFields& fields = by_style[style == DriverStyle::zero_fill];
      fields = request(function_code);
      EXPECT_EQ(call(fields), 0);
    }
    EXPECT_EQ(lookup_host::changed_fields(&by_style[0], &by_style[1], MarquethFields::layout()),
              std::vector<std::string>{})
        << "function code " << function_code;
  }
}

}  // namespace
}  // namespace customer_item_test
