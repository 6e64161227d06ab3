// A host that runs VELDORIN on one thread and MARQUETH on another, each on connections of its own:
// to the SQLite demo database (rows found, numbers converted) and to an empty database (a missing
// table reported). Both threads call the one PGMS/SOLVAKE.so and PGMS/TARNIVEL.so, built here
// with ThreadSanitizer, while a third thread keeps switching the message module's lines off.
// Each thread's TAKE must return exactly what its own lookups saw, and no data race may occur.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <cstdlib>
#include <latch>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <vector>

#include "host_fields.hpp"
#include "item_lookup.h"
#include "temporary_folder.hpp"

namespace {

using lookup_host::MarquethFields;
using lookup_host::put;
using lookup_host::VeldorinFields;

constexpr int kRounds = 100;

// An ODBC connection of its own to a SQLite database file.
class Connection {
 public:
  explicit Connection(const std::string& database) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
    std::string text = "DRIVER=SQLite3;Database=" + database + ";";
    connected =
        SQL_SUCCEEDED(SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
  }
  ~Connection() {
    if (connected) SQLDisconnect(connection);
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  bool connected = false;
};

template <typename Entry>
Entry entry_of(const char* path, const char* name) {
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  return reinterpret_cast<Entry>(module != nullptr ? dlsym(module, name) : nullptr);
}

// The column text as TARNIVEL is handed it: the value padded with spaces to its width.
std::string column_text(const char* value) {
  std::string text(value);
  text.resize(TARNIVEL_TEXT_WIDTH, ' ');
  return text;
}

// What one thread's lookups must leave in its journals: the texts a found lookup converts, and
// the table an empty database is missing.
struct ThreadLookups {
  std::vector<std::string> converted;
  const char* missing_table;
};

template <typename Fields>
Fields lookup_fields(const Connection& on, const std::vector<const char*>& keys) {
  Fields fields;
  put(fields.function_code, "1");
  put(fields.database_kind, "");
  fields.environment_handle = on.environment;
  fields.connection_handle = on.connection;
  if constexpr (std::is_same_v<Fields, VeldorinFields>) {
    put(fields.item_code, keys[0]);
  } else {
    put(fields.customer_kind, keys[0]);
    put(fields.customer_code, keys[1]);
    put(fields.item_code, keys[2]);
  }
  return fields;
}

// Runs kRounds of a found lookup and a failing one, taking the journals after each. Returns the
// first thing a TAKE got wrong, empty when nothing was.
template <typename Fields>
std::string run_lookups(typename Fields::Entry entry, const Fields& found, const Fields& failing,
                        const ThreadLookups& expected, std::latch& start) {
  const auto take_reports = entry_of<solvake_take_entry>("PGMS/SOLVAKE.so", "SOLVAKE_TAKE");
  const auto take_conversions = entry_of<tarnivel_take_entry>("PGMS/TARNIVEL.so", "TARNIVEL_TAKE");
  start.arrive_and_wait();
  if (take_reports == nullptr || take_conversions == nullptr) return "no TAKE entry";
  for (int round = 0; round < kRounds; ++round) {
    const std::string at = std::string(Fields::entry_name) + " round " + std::to_string(round);
    Fields fields = found;
    std::apply(entry, fields.addresses());
    tarnivel_conversions conversions;
    const int count = take_conversions(&conversions);
    if (count != static_cast<int>(expected.converted.size())) {
      return at + ": " + std::to_string(count) + " conversions";
    }
    for (int i = 0; i < count; ++i) {
      if (conversions.conversions[i].text != expected.converted[i]) {
        return at + ": converted [" + conversions.conversions[i].text + "]";
      }
    }
    solvake_records reports;
    if (take_reports(&reports, SOLVAKE_LINES_UNCHANGED) != 0) return at + ": found, yet reported";

    fields = failing;
    std::apply(entry, fields.addresses());
    // The statement's error, then the follow-on error of the fetch.
    if (take_reports(&reports, SOLVAKE_LINES_UNCHANGED) != 2 || reports.kept != 2) {
      return at + ": " + std::to_string(reports.reports) + " reports";
    }
    const std::string message = reports.records[0].message;
    if (message.find(std::string("no such table: ") + expected.missing_table) ==
        std::string::npos) {
      return at + ": reported [" + message + "]";
    }
    if (take_conversions(nullptr) != 0) return at + ": failed, yet converted";
  }
  return "";
}

class HostModulesOnTwoThreads : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system((MAKE_DEMO_DATABASE " '" + folder_ + "/demo.db'").c_str()), 0);
  }

  const test_support::TemporaryFolder scratch_{"host-module-threads-"};
  const std::string folder_ = scratch_.path().string();
};

TEST_F(HostModulesOnTwoThreads, EachThreadTakesWhatItsOwnLookupsSaw) {
  const auto veldorin = entry_of<veldorin_entry>(VELDORIN_MODULE, "VELDORIN");
  const auto marqueth = entry_of<marqueth_entry>(MARQUETH_MODULE, "MARQUETH");
  const auto take_reports = entry_of<solvake_take_entry>("PGMS/SOLVAKE.so", "SOLVAKE_TAKE");
  ASSERT_NE(veldorin, nullptr);
  ASSERT_NE(marqueth, nullptr);
  ASSERT_NE(take_reports, nullptr) << "run from the folder holding the test's own PGMS/";

  const Connection item_rows(folder_ + "/demo.db"), no_item_table(folder_ + "/empty-a.db");
  const Connection customer_rows(folder_ + "/demo.db"), no_customer_table(folder_ + "/empty-b.db");
  for (const Connection* connection :
       {&item_rows, &no_item_table, &customer_rows, &no_customer_table}) {
    ASSERT_TRUE(connection->connected) << "the SQLite ODBC driver is not installed";
  }
  const ThreadLookups item_lookups{
      {column_text("12.34"), column_text("10.5"), column_text("0.025"), column_text("0.031")},
      "VNDADFIT"};
  const ThreadLookups customer_lookups{
      {column_text("12.3456789"), column_text("10"), column_text("5")}, "VNDAITCL"};

  std::latch start(3);
  std::string item_thread_saw, customer_thread_saw;
  testing::internal::CaptureStderr();
  std::thread item_thread([&] {
    item_thread_saw =
        run_lookups(veldorin, lookup_fields<VeldorinFields>(item_rows, {"1001"}),
                    lookup_fields<VeldorinFields>(no_item_table, {"1001"}), item_lookups, start);
  });
  std::thread customer_thread([&] {
    const std::vector<const char*> keys{"C", "00042", "1001"};
    customer_thread_saw = run_lookups(marqueth, lookup_fields<MarquethFields>(customer_rows, keys),
                                      lookup_fields<MarquethFields>(no_customer_table, keys),
                                      customer_lookups, start);
  });
  // The lines switch is one for the process: set from another thread while these two report.
  std::atomic<bool> done{false};
  take_reports(nullptr, SOLVAKE_LINES_OFF);
  start.arrive_and_wait();
  std::thread switcher([&] {
    while (!done.load()) take_reports(nullptr, SOLVAKE_LINES_OFF);
  });
  item_thread.join();
  customer_thread.join();
  done = true;
  switcher.join();
  take_reports(nullptr, SOLVAKE_LINES_ON);
  const std::string lines = testing::internal::GetCapturedStderr();

  EXPECT_EQ(item_thread_saw, "");
  EXPECT_EQ(customer_thread_saw, "");
  EXPECT_EQ(lines, "");
}

}  // namespace
