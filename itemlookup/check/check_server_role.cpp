// Finding "server role": on PostgreSQL, whether the server is a read-only standby, and how far its
// replay is behind. Lookups only read, so a standby is no problem; the lag is shown for the
// operator to judge, since only the deployment knows how stale a row may be. On MariaDB, when the
// server is a Galera node, which node answered and its state: only a node that is ready (in the
// cluster's primary component) and synced serves lookups as the cluster's own; one cut off
// refuses them (error 1047), a donor or joiner may answer from behind the cluster.
#include "check/check_findings.hpp"
#include "connection/statement_error.hpp"

namespace itemlookup {

namespace {

constexpr std::string_view kRoleQuery =
    "SELECT pg_is_in_recovery(), now() - pg_last_xact_replay_timestamp()";

// One row: whether Galera is on, the node's name, then its status variables.
constexpr std::string_view kGaleraQuery =
    "SELECT @@wsrep_on, @@wsrep_node_name, "
    "(SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
    "'WSREP_READY'), "
    "(SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
    "'WSREP_LOCAL_STATE'), "
    "(SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
    "'WSREP_LOCAL_STATE_COMMENT'), "
    "(SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
    "'WSREP_CLUSTER_STATUS'), "
    "(SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
    "'WSREP_CLUSTER_SIZE')";

// MariaDB's "unknown system variable": a server built without Galera (or MySQL).
constexpr long kUnknownVariable = 1193;

constexpr std::string_view kRouterFix =
    "send lookups through the cluster's router, which connects only to nodes that are ready and "
    "synced (db/galera_mariadb/haproxy.cfg), or wait until this node has caught up";

bool true_text(const std::optional<std::string>& value) {
  return value == "1" || value == "t" || value == "true";
}

std::string text(const std::optional<std::string>& value) {
  return value.value_or("NULL");
}

void check_postgres_role(CheckContext& context) {
  OdbcConnection::Row row;
  try {
    const auto rows = context.connection.query_rows(std::string(kRoleQuery), 1);
    if (!rows.empty() && rows[0].size() == 2) row = rows[0];
  } catch (const StatementError& error) {
    context.report.add("server role", false, "cannot be read: " + error.diagnostics(),
                       "see the driver's message");
    return;
  }
  if (row.empty()) {
    context.report.add("server role", false, std::string(kRoleQuery) + " gave no row",
                       "see the driver's message");
  } else if (!true_text(row[0])) {
    context.report.add("server role", true, "primary: reads and writes");
  } else {
    context.report.add("server role", true,
                       "read-only standby, replay lag " +
                           row[1].value_or("unknown: no transaction replayed yet") +
                           " (now() - pg_last_xact_replay_timestamp())");
  }
}

// What wsrep_local_state says of a node that is ready: 4 is the only state in which it holds
// every write set the cluster committed.
std::string_view galera_state_name(const std::string& state) {
  if (state == "4") return "ready and synced";
  if (state == "2") return "donor: it may fall behind the cluster while it sends its state";
  if (state == "1" || state == "3") return "joiner: still catching up with the cluster";
  return "in no state that serves lookups";
}

void check_galera_state(CheckContext& context) {
  OdbcConnection::Row row;
  try {
    const auto rows = context.connection.query_rows(std::string(kGaleraQuery), 1);
    if (!rows.empty() && rows[0].size() == 7) row = rows[0];
  } catch (const StatementError& error) {
    if (error.native_error() == kUnknownVariable) return;
    context.report.add("server role", false, "cannot be read: " + error.diagnostics(),
                       "see the driver's message");
    return;
  }
  if (row.empty()) {
    context.report.add("server role", false, "the Galera state query gave no row",
                       "see the driver's message");
    return;
  }
  // A single server: no role to name.
  if (!true_text(row[0])) return;
  const std::string ready = text(row[2]);
  const std::string state = text(row[3]);
  const std::string seen = " (wsrep_ready " + ready + ", wsrep_local_state " + state + " " +
                           text(row[4]) + ", wsrep_cluster_status " + text(row[5]) +
                           ", wsrep_cluster_size " + text(row[6]) + ")";
  const std::string node = "Galera node " + text(row[1]) + ": ";
  if (ready != "ON") {
    context.report.add("server role", false,
                       node + "not ready: it refuses queries on tables (error 1047)" + seen,
                       std::string(kRouterFix));
  } else if (state != "4") {
    context.report.add("server role", false, node + std::string(galera_state_name(state)) + seen,
                       std::string(kRouterFix));
  } else {
    context.report.add("server role", true, node + std::string(galera_state_name(state)) + seen);
  }
}

}  // namespace

void check_server_role(CheckContext& context) {
  if (context.traits().label == "PostgreSQL") check_postgres_role(context);
  if (context.traits().label == "MariaDB") check_galera_state(context);
}

}  // namespace itemlookup
