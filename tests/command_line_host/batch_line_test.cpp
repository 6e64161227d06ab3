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

// Lines are read eight bytes at a time for what decides their reading: a quote, a comma, a tab
// or a carriage return counts wherever it stands.
TEST(BatchLine, EachMarkCountsAtEveryPlace) {
  for (std::size_t blanks = 1; blanks < 20; ++blanks) {
    const std::string gap(blanks, ' ');
    const std::string padding(blanks, 'X');
    EXPECT_EQ(split_batch_line("item" + gap + R"("A B")"), (Words{"item", "A B"})) << blanks;
    EXPECT_EQ(split_batch_line("item" + gap + ",1001"), (Words{"item", "1001"})) << blanks;
    EXPECT_EQ(split_batch_line("item" + padding + "\t1001"), (Words{"item" + padding, "1001"}))
        << blanks;
    EXPECT_EQ(split_batch_line("item" + padding + "\r1001 " + padding),
              (Words{"item" + padding, "1001", padding}))
        << blanks;
    EXPECT_EQ(split_batch_line("customer-item" + gap + "C" + gap + "42" + gap + "1001"),
              (Words{"customer-item", "C", "42", "1001"}))
        << blanks;
  }
}

TEST(BatchLine, FillerLines) {
  EXPECT_TRUE(is_batch_filler(""));
  EXPECT_TRUE(is_batch_filler(" \t\r"));
  EXPECT_TRUE(is_batch_filler("  # note"));
  EXPECT_FALSE(is_batch_filler("item #1"));
}

}  // namespace
}  // namespace itemlookup
