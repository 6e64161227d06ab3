#include "batch/batch_line.hpp"

#include <gtest/gtest.h>

#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {
namespace {

using Words = std::vector<std::string>;

TEST(BatchLine, BlankSeparatedWordsKeepApostrophes) {
  EXPECT_EQ(split_batch_line("  item\t O'NEIL-7  "), (Words{"item", "O'NEIL-7"}));
}

TEST(BatchLine, DoubleQuotesGroupBlanksAndDoubledQuotesStayInside) {
  EXPECT_EQ(split_batch_line(R"(customer-resolve C 42 "A ""B"" C")"),
            (Words{"customer-resolve", "C", "42", R"(A "B" C)"}));
  EXPECT_EQ(split_batch_line(R"(item "")"), (Words{"item", ""}));
}

TEST(BatchLine, CommaLineIsCsvWithEmptyFieldsKept) {
  EXPECT_EQ(split_batch_line("resolve,--barcode,,--external,X"),
            (Words{"resolve", "--barcode", "", "--external", "X"}));
}

TEST(BatchLine, CsvTrimsUnquotedFieldsButNotQuotedOnes) {
  EXPECT_EQ(split_batch_line(R"(customer-item , C ,  42 ," 1001 " )"),
            (Words{"customer-item", "C", "42", " 1001 "}));
}

TEST(BatchLine, CsvDropsTrailingEmptyFields) {
  EXPECT_EQ(split_batch_line("item,1001,,\r"), (Words{"item", "1001"}));
}

TEST(BatchLine, CommaInsideQuotesDoesNotMakeCsv) {
  EXPECT_EQ(split_batch_line(R"(item "A,B")"), (Words{"item", "A,B"}));
}

TEST(BatchLine, MalformedQuotingIsRefused) {
  EXPECT_THROW(split_batch_line(R"(item "open)"), CannotRun);
  EXPECT_THROW(split_batch_line(R"(item,"A"B)"), CannotRun);
}

TEST(BatchLine, FillerLines) {
  EXPECT_TRUE(is_batch_filler(""));
  EXPECT_TRUE(is_batch_filler(" \t\r"));
  EXPECT_TRUE(is_batch_filler("  # note"));
  EXPECT_FALSE(is_batch_filler("item #1"));
}

}  // namespace
}  // namespace itemlookup
