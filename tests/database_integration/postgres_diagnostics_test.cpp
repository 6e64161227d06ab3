// A lookup whose statement fails on PostgreSQL with an error long enough that psqlODBC hands it
// out as several diagnostic records: the message module prints every record to standard error,
// the lookup takes its no-row path, and neither the module nor the connection is left harmed.
#include <gtest/gtest.h>

#include <string>

#include "demo_databases.hpp"
#include "fixed_text.hpp"
#include "marqueth_host.hpp"
#include "veldorin_host.hpp"

namespace database_integration {
namespace {

// psqlODBC cuts a message into records as long as the reader's buffer (512 bytes for the
// message module), so this error comes out as three or more records.
constexpr const char* kRefusal = "VNDADFIT is being rebuilt by the nightly price update; ";
constexpr int kRefusalRepeats = 30;

// The message text of every line the message module printed for one SQLSTATE, joined: the
// records of one long message, in order, give the message back.
std::string joined_records(const std::string& messages, const std::string& sqlstate) {
  const std::string prefix = "SOLVAKE: SQLSTATE " + sqlstate + " native ";
  std::string joined;
  std::size_t line_start = 0;
  while (line_start < messages.size()) {
    std::size_t line_end = messages.find('\n', line_start);
    if (line_end == std::string::npos) line_end = messages.size();
    const std::string line = messages.substr(line_start, line_end - line_start);
    if (line.starts_with(prefix)) joined += line.substr(line.find(": ", prefix.size()) + 2);
    line_start = line_end + 1;
  }
  return joined;
}

std::string repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

// A second connection on which VNDADFIT is a view that always raises that error; VNDAITCL is
// still the demo table behind it on the search path.
class RefusingConnection {
 public:
  RefusingConnection()
      : session_(postgres_connection_string()), schema_(postgres_demo_schema() + "_refusing") {
    session_.execute("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
    session_.execute("CREATE SCHEMA " + schema_);
    session_.execute("CREATE FUNCTION " + schema_ + ".refuse_lookup() RETURNS SETOF " +
                     postgres_demo_schema() +
                     ".vndadfit LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '%', repeat('" +
                     kRefusal + "', " + std::to_string(kRefusalRepeats) + "); END $$");
    session_.execute("CREATE VIEW " + schema_ + ".vndadfit AS SELECT * FROM " + schema_ +
                     ".refuse_lookup()");
    session_.execute("SET search_path TO " + schema_ + ", " + postgres_demo_schema());
  }
  ~RefusingConnection() {
    try {
      session_.execute("DROP SCHEMA " + schema_ + " CASCADE");
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();
    }
  }
  const OdbcSession& session() const { return session_; }

 private:
  OdbcSession session_;
  std::string schema_;
};

class PostgresDiagnostics : public testing::Test {
 protected:
  void SetUp() override { open_or_skip(Database::postgres); }
};

TEST_F(PostgresDiagnostics, SeveralRecordsAreReportedAndNothingIsHarmed) {
  const OdbcSession& demo = demo_database(Database::postgres);
  const VeldorinKeys item{.item_code = "1001"};
  const LookupOutcome before = run_veldorin(demo, VELDORIN_FULL_FETCH, DatabaseKind::plain, item);
  ASSERT_EQ(before.messages, "");

  RefusingConnection refusing;
  VeldorinFields fields =
      veldorin_fields(refusing.session(), VELDORIN_FULL_FETCH, DatabaseKind::plain, item);
  const LookupOutcome refused = call_veldorin(fields);

  // Every record of the failed execution, then the driver manager's complaint about the fetch
  // on a statement that never ran.
  EXPECT_GE(count(refused.messages, "SOLVAKE: SQLSTATE P0001"), 3u) << refused.messages;
  EXPECT_TRUE(joined_records(refused.messages, "P0001")
                  .starts_with("ERROR: " + repeated(kRefusal, kRefusalRepeats)))
      << refused.messages;
  EXPECT_EQ(count(refused.messages, "SOLVAKE: SQLSTATE HY010"), 1u) << refused.messages;
  // The row was not read: item not found, and the fields the fetch fills are as they were.
  VeldorinFields expected =
      veldorin_fields(refusing.session(), VELDORIN_FULL_FETCH, DatabaseKind::plain, item);
  put_text(expected.status, VELDORIN_STATUS_ITEM_NOT_FOUND);
  EXPECT_EQ(refused.fields, listing(expected));

  // The same loaded module still serves the healthy connection exactly as before.
  EXPECT_EQ(run_veldorin(demo, VELDORIN_FULL_FETCH, DatabaseKind::plain, item), before);
  // And the refusing connection itself is still usable for the other table.
  const MarquethKeys cross_reference{
      .customer_kind = "C", .customer_code = "00042", .item_code = "1001"};
  const LookupOutcome on_refusing = run_marqueth(refusing.session(), MARQUETH_CUSTOMER_ITEM_FETCH,
                                                 DatabaseKind::plain, cross_reference);
  const LookupOutcome on_demo =
      run_marqueth(demo, MARQUETH_CUSTOMER_ITEM_FETCH, DatabaseKind::plain, cross_reference);
  EXPECT_EQ(on_refusing.fields, on_demo.fields);
  EXPECT_EQ(on_refusing.messages, "");
}

}  // namespace
}  // namespace database_integration
