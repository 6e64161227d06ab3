// The PostgreSQL server goes down in the middle of a run of lookups: every lookup still returns
// within its bound, reports each failed call through the message module and ends with its
// not-found status and the return code the statement cycle prescribes; once the server is back
// and the host has reconnected, the lookups find their rows again.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "connection/odbc_connection.hpp"
#include "lookup/module_loader.hpp"
#include "observed_lookup.hpp"
#include "outage_server.hpp"

namespace database_outage {
namespace {

using soak::ExpectedLookup;

// What a lookup without a usable connection must give.
void expect_failed_lookup(const ObservedLookup& observed, const ExpectedLookup& lookup) {
  const std::string what = lookup.words.front() + ": " + observed.describe();
  EXPECT_EQ(observed.result.status(), lookup.missing_status) << what;
  EXPECT_GE(observed.failed_calls(), 1) << what;
  EXPECT_EQ(observed.reports(), observed.failed_calls()) << what;
  EXPECT_NE(observed.messages.find("SOLVAKE: SQLSTATE"), std::string::npos) << what;
  // The drop is the last call: its result, or the message module's answer to its report (an
  // error, so 1).
  EXPECT_EQ(observed.result.return_code, observed.last_drop_succeeded() ? 0 : 1) << what;
  EXPECT_LT(observed.took, kLookupBound) << what;
}

// Every lookup of the mix on a connection the server has gone from.
void expect_every_lookup_fails(const itemlookup::LookupHost& host) {
  for (const ExpectedLookup& lookup : soak::mixed_lookups()) {
    const ObservedLookup observed = observe(host, lookup);
    expect_failed_lookup(observed, lookup);
    // A statement that finds no row hands over to the next: resolving runs both.
    const int statements = lookup.words.front() == "resolve" ? 2 : 1;
    EXPECT_EQ(observed.statements(), statements) << observed.describe();
  }
}

void expect_every_lookup_right(const itemlookup::LookupHost& host) {
  for (const ExpectedLookup& lookup : soak::mixed_lookups()) {
    const ObservedLookup observed = observe(host, lookup);
    EXPECT_EQ(soak::mismatch(lookup, observed.result), "") << observed.describe();
    EXPECT_EQ(observed.failed_calls(), 0) << observed.describe();
  }
  EXPECT_EQ(counting_dm_open_statements(), 0);
}

class DatabaseOutage : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!OutageServer::wanted()) return;
    try {
      server_ = std::make_unique<OutageServer>();
    } catch (const std::exception& error) {
      setup_error_ = error.what();
    }
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    if (!OutageServer::wanted()) {
      GTEST_SKIP() << "no PostgreSQL here: set ITEM_LOOKUP_PG_CONNECT (scripts/run-tests does), "
                      "or ITEM_LOOKUP_REQUIRE_POSTGRES=1 to make this a failure";
    }
    ASSERT_TRUE(server_) << "the outage test's own server did not start: " << setup_error_;
    // The modules find PGMS/ under the current folder.
    std::filesystem::current_path(ITEM_LOOKUP_LIB_DIR);
  }

  static inline std::unique_ptr<OutageServer> server_;
  static inline std::string setup_error_;
};

TEST_F(DatabaseOutage, LookupsFailCleanlyWhileTheServerIsDownAndRecoverAfterReconnecting) {
  const itemlookup::ModuleSet modules(ITEM_LOOKUP_LIB_DIR);
  auto connection = std::make_unique<itemlookup::OdbcConnection>(server_->connection_string());
  auto host = std::make_unique<itemlookup::LookupHost>(modules, *connection, "");
  expect_every_lookup_right(*host);

  // The server goes down while lookups keep coming: each one is right until the first that
  // fails, and fails cleanly from then on.
  std::atomic<bool> down{false};
  std::thread outage([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server_->down();
    down = true;
  });
  const auto lookups = soak::mixed_lookups();
  bool failing = false;
  std::size_t after_outage = 0;
  for (std::size_t i = 0; after_outage < 2 * lookups.size() && i < 200000; ++i) {
    const bool was_down = down;
    const ExpectedLookup& lookup = lookups[i % lookups.size()];
    const ObservedLookup observed = observe(*host, lookup);
    if (soak::mismatch(lookup, observed.result).empty() && observed.failed_calls() == 0) {
      ASSERT_FALSE(failing || was_down) << "a lookup succeeded after the server went down";
    } else {
      expect_failed_lookup(observed, lookup);
      failing = true;
    }
    if (was_down) ++after_outage;
  }
  outage.join();
  ASSERT_TRUE(failing);

  expect_every_lookup_fails(*host);

  // Back again: the old connection stays broken until the host reconnects.
  server_->up();
  expect_every_lookup_fails(*host);
  host.reset();
  connection = std::make_unique<itemlookup::OdbcConnection>(server_->connection_string());
  host = std::make_unique<itemlookup::LookupHost>(modules, *connection, "");
  expect_every_lookup_right(*host);
}

}  // namespace
}  // namespace database_outage
