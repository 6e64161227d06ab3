#include "sqlite_api_lookup.hpp"

#include <stdexcept>
#include <string>

namespace lookup_bench {

SqliteApiLookup::SqliteApiLookup(const LookupCase& lookup, const std::filesystem::path& database)
    : lookup_(lookup), keys_(lookup), row_(lookup.column_widths) {
  if (sqlite3_open_v2(database.c_str(), &database_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(database_);
    sqlite3_close(database_);
    throw std::runtime_error("cannot open " + database.string() + ": " + message);
  }
  const std::string text = prepared_statement_text(lookup);
  if (sqlite3_prepare_v2(database_, text.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(database_);
    sqlite3_close(database_);
    throw std::runtime_error("cannot prepare " + text + ": " + message);
  }
}

SqliteApiLookup::~SqliteApiLookup() {
  sqlite3_finalize(statement_);
  sqlite3_close(database_);
}

void SqliteApiLookup::run() {
  const std::span<const char* const> keys = keys_.addresses();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    sqlite3_bind_text(statement_, static_cast<int>(i + 1), keys[i], lookup_.keys[i].width,
                      SQLITE_STATIC);
  }
  fetched_ = sqlite3_step(statement_) == SQLITE_ROW;
  if (fetched_) {
    for (std::size_t column = 0; column < row_.count(); ++column) {
      const auto* text =
          reinterpret_cast<const char*>(sqlite3_column_text(statement_, static_cast<int>(column)));
      const int length = sqlite3_column_bytes(statement_, static_cast<int>(column));
      row_.set(column, text != nullptr ? text : "", static_cast<std::size_t>(length));
    }
  }
  sqlite3_reset(statement_);
}

bool SqliteApiLookup::found() const {
  return fetched_ && holds_checked_value(lookup_, row_.field(0));
}

}  // namespace lookup_bench
