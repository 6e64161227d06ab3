#include "lookup/lookup_request.hpp"

#include <gtest/gtest.h>

#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {
namespace {

LookupRequest parse(std::vector<std::string> words) {
  return parse_lookup_request(words);
}

TEST(LookupRequest, ItemCodeIsPaddedToSixteen) {
  const LookupRequest request = parse({"item", "O'NEIL-7"});
  EXPECT_EQ(request.command->name, "item");
  ASSERT_EQ(request.keys.size(), 1U);
  EXPECT_EQ(request.keys[0].field, "O'NEIL-7        ");
}

TEST(LookupRequest, SixteenCharactersFitSeventeenDoNot) {
  EXPECT_EQ(parse({"item", "ABCDEFGHIJKLMNOP"}).keys[0].field, "ABCDEFGHIJKLMNOP");
  EXPECT_THROW(parse({"item", "ABCDEFGHIJKLMNOPQ"}), CannotRun);
}

TEST(LookupRequest, CustomerCodeGetsLeadingZeros) {
  const LookupRequest request = parse({"customer-item", "C", "42", "1001"});
  ASSERT_EQ(request.keys.size(), 3U);
  EXPECT_EQ(request.keys[0].field, "C");
  EXPECT_EQ(request.keys[1].field, "00042");
  EXPECT_EQ(request.keys[2].field, "1001            ");
  EXPECT_EQ(parse({"customer-item", "C", "00042", "1"}).keys[1].field, "00042");
}

TEST(LookupRequest, CustomerCodeMustBeOneToFiveDigits) {
  for (const char* code : {"", "123456", "4x", "-1", " 42"}) {
    EXPECT_THROW(parse({"customer-unit", "C", code, "1001"}), CannotRun) << code;
  }
}

TEST(LookupRequest, CustomerItemCodeTakesFifty) {
  const std::string fifty(50, 'X');
  EXPECT_EQ(parse({"customer-resolve", "C", "1", fifty}).keys[2].field, fifty);
  EXPECT_THROW(parse({"customer-resolve", "C", "1", fifty + "X"}), CannotRun);
}

TEST(LookupRequest, ResolveOptionsInEitherFormAndEmptyMeansLeftOut) {
  const LookupRequest request = parse({"resolve", "--external=E1", "--barcode", ""});
  ASSERT_EQ(request.keys.size(), 1U);
  EXPECT_EQ(request.keys[0].field, "E1              ");
  EXPECT_THROW(parse({"resolve"}), CannotRun);
  EXPECT_THROW(parse({"resolve", "--barcode"}), CannotRun);
  EXPECT_THROW(parse({"resolve", "B1"}), CannotRun);
}

TEST(LookupRequest, DoubleDashLetsAnItemCodeStartWithDashes) {
  EXPECT_EQ(parse({"item", "--", "--X"}).keys[0].field, "--X             ");
}

TEST(LookupRequest, UnknownCommandIsRefused) {
  EXPECT_THROW(parse({"items", "1"}), CannotRun);
}

TEST(CommandUsage, NamesEveryArgument) {
  EXPECT_EQ(command_usage(*find_lookup_command("customer-resolve")),
            "customer-resolve KIND CODE CUSTOMER-ITEM");
  EXPECT_EQ(command_usage(*find_lookup_command("resolve")),
            "resolve [--barcode BARCODE] [--external EXTERNAL-CODE]");
}

}  // namespace
}  // namespace itemlookup
