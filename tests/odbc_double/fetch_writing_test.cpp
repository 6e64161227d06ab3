// How fetch fills bound character buffers, in both driver styles.

#include <gtest/gtest.h>
#include <sqlext.h>

#include <string>

#include "loaded_driver_manager.hpp"
#include "odbc_double.hpp"

namespace {

using odbc_double::DriverStyle;
using odbc_double::Row;
using odbc_double::sql_null;

constexpr SQLLEN kUnsetIndicator = -777;

// Bytes of a buffer bound with a smaller length than it has: the tail proves nothing is written
// past the bound length.
struct Buffer {
  explicit Buffer(SQLLEN bound_length) : bound_length(bound_length) {}
  std::string bytes = std::string(12, 'x');
  SQLLEN bound_length;
  SQLLEN indicator = kUnsetIndicator;
};

class FetchWriting : public testing::Test {
 protected:
  void SetUp() override { odbc_double::reset(); }

  // Executes with `row` scripted, binds `buffers` as columns 1.., fetches once.
  SQLRETURN fetch_into(const Row& row, std::vector<Buffer*> buffers) {
    odbc_double::script_row(1, row);
    SQLHSTMT statement = odbc.executed("SELECT");
    for (std::size_t i = 0; i < buffers.size(); ++i) {
      odbc.bind(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR, buffers[i]->bytes.data(),
                buffers[i]->bound_length, &buffers[i]->indicator);
    }
    return odbc.fetch(statement);
  }

  LoadedDriverManager odbc;
};

TEST_F(FetchWriting, TerminatorOnlyWritesValueAndOneNul) {
  Buffer buffer(8);
  EXPECT_EQ(fetch_into({"abc"}, {&buffer}), SQL_SUCCESS);
  EXPECT_EQ(buffer.bytes, std::string("abc\0xxxxxxxx", 12));
  EXPECT_EQ(buffer.indicator, 3);
}

TEST_F(FetchWriting, ZeroFillClearsUpToTheBufferLengthOnly) {
  odbc_double::set_driver_style(DriverStyle::zero_fill);
  Buffer buffer(8);
  EXPECT_EQ(fetch_into({"abc"}, {&buffer}), SQL_SUCCESS);
  EXPECT_EQ(buffer.bytes, std::string("abc\0\0\0\0\0xxxx", 12));
}

TEST_F(FetchWriting, ValueFillingTheBufferExactlyIsNotTruncated) {
  Buffer buffer(4);
  EXPECT_EQ(fetch_into({"abc"}, {&buffer}), SQL_SUCCESS);
  EXPECT_EQ(buffer.bytes, std::string("abc\0xxxxxxxx", 12));
}

TEST_F(FetchWriting, LongValueIsCutAndReportedWithInfo) {
  Buffer buffer(4);
  EXPECT_EQ(fetch_into({"abcdefghij"}, {&buffer}), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(buffer.bytes, std::string("abc\0xxxxxxxx", 12));
  EXPECT_EQ(buffer.indicator, 10);
}

TEST_F(FetchWriting, ZeroFillOfTruncatedValueStaysInsideTheBuffer) {
  odbc_double::set_driver_style(DriverStyle::zero_fill);
  Buffer buffer(4);
  EXPECT_EQ(fetch_into({"abcdefghij"}, {&buffer}), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(buffer.bytes, std::string("abc\0xxxxxxxx", 12));
}

TEST_F(FetchWriting, BufferOfOneByteGetsOnlyTheNul) {
  Buffer buffer(1);
  EXPECT_EQ(fetch_into({"a"}, {&buffer}), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(buffer.bytes, std::string("\0xxxxxxxxxxx", 12));
  EXPECT_EQ(buffer.indicator, 1);
}

TEST_F(FetchWriting, NulBytesInsideAValueAreCopied) {
  Buffer buffer(8);
  EXPECT_EQ(fetch_into({std::string("a\0b", 3)}, {&buffer}), SQL_SUCCESS);
  EXPECT_EQ(buffer.bytes, std::string("a\0b\0xxxxxxxx", 12));
  EXPECT_EQ(buffer.indicator, 3);
}

TEST_F(FetchWriting, EmptyValueIsJustTheNul) {
  Buffer buffer(8);
  EXPECT_EQ(fetch_into({""}, {&buffer}), SQL_SUCCESS);
  EXPECT_EQ(buffer.bytes, std::string("\0xxxxxxxxxxx", 12));
  EXPECT_EQ(buffer.indicator, 0);
}

TEST_F(FetchWriting, NullLeavesTheBufferAndSetsTheIndicator) {
  odbc_double::set_driver_style(DriverStyle::zero_fill);
  Buffer null_column(8), text_column(8);
  EXPECT_EQ(fetch_into({sql_null, "ab"}, {&null_column, &text_column}), SQL_SUCCESS);
  EXPECT_EQ(null_column.bytes, std::string(12, 'x'));
  EXPECT_EQ(null_column.indicator, SQL_NULL_DATA);
  EXPECT_EQ(text_column.bytes, std::string("ab\0\0\0\0\0\0xxxx", 12));
  EXPECT_EQ(text_column.indicator, 2);
}

TEST_F(FetchWriting, ColumnsAreWrittenInAscendingOrderWhateverTheBindingOrder) {
  // Both columns share one indicator, so it ends with the length of the highest column.
  odbc_double::script_row(1, {"one", "three"});
  SQLHSTMT statement = odbc.executed("SELECT");
  std::string first(8, 'x'), second(8, 'x');
  SQLLEN shared = kUnsetIndicator;
  odbc.bind(statement, 2, SQL_C_CHAR, second.data(), 8, &shared);
  odbc.bind(statement, 1, SQL_C_CHAR, first.data(), 8, &shared);
  EXPECT_EQ(odbc.fetch(statement), SQL_SUCCESS);
  EXPECT_EQ(shared, 5);
}

TEST_F(FetchWriting, UnboundColumnsOfTheRowAreIgnored) {
  Buffer buffer(8);
  EXPECT_EQ(fetch_into({"a", "b", "c"}, {&buffer}), SQL_SUCCESS);
  EXPECT_EQ(buffer.bytes, std::string("a\0xxxxxxxxxx", 12));
}

TEST_F(FetchWriting, ColumnMissingFromTheRowFailsTheFetchWithoutWritingAnything) {
  Buffer first(8), second(8);
  EXPECT_EQ(fetch_into({"a"}, {&first, &second}), SQL_ERROR);
  EXPECT_EQ(first.bytes, std::string(12, 'x'));
  EXPECT_EQ(first.indicator, kUnsetIndicator);
  EXPECT_EQ(odbc_double::calls_of(odbc_double::Function::fetch).at(0).note,
            "column 2 is bound but the scripted row has no such column");
}

TEST_F(FetchWriting, RowsComeOneFetchAtATimeThenNoData) {
  odbc_double::script_rows(1, {{"r1"}, {"r2"}});
  SQLHSTMT statement = odbc.executed("SELECT");
  std::string buffer(4, 'x');
  SQLLEN indicator = 0;
  odbc.bind(statement, 1, SQL_C_CHAR, buffer.data(), 4, &indicator);
  EXPECT_EQ(odbc.fetch(statement), SQL_SUCCESS);
  EXPECT_EQ(buffer, std::string("r1\0x", 4));
  EXPECT_EQ(odbc.fetch(statement), SQL_SUCCESS);
  EXPECT_EQ(buffer, std::string("r2\0x", 4));
  EXPECT_EQ(odbc.fetch(statement), SQL_NO_DATA);
  EXPECT_EQ(buffer, std::string("r2\0x", 4));
}

TEST_F(FetchWriting, NoRowScriptedMeansNoData) {
  Buffer buffer(8);
  SQLHSTMT statement = odbc.executed("SELECT");
  odbc.bind(statement, 1, SQL_C_CHAR, buffer.bytes.data(), 8, &buffer.indicator);
  EXPECT_EQ(odbc.fetch(statement), SQL_NO_DATA);
  EXPECT_EQ(buffer.bytes, std::string(12, 'x'));
  EXPECT_EQ(buffer.indicator, kUnsetIndicator);
}

}  // namespace
