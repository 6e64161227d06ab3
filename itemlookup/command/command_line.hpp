// The host's own options, taken from anywhere on the command line; every other word belongs to
// the subcommand.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lookup/lookup_retry.hpp"

namespace itemlookup {

struct HostOptions {
  std::optional<std::string> connection_string;  // --connect
  std::optional<std::string> data_source;        // --dsn
  std::string database_kind;                     // --kind, upper case, at most 15 characters
  std::optional<std::filesystem::path> module_directory;  // --modules, made absolute
  std::optional<std::filesystem::path> demo_database;     // --demo-db, made absolute
  bool json = false;                                      // --json
  bool version = false;                                   // --version
  bool latin1 = false;            // --encoding latin1: fields are single bytes, not UTF-8
  int retries = kDefaultRetries;  // --retries: tries after the first, on a new connection
  int timeout_seconds = kDefaultTimeoutSeconds;  // --timeout: longest wait for the database
  std::vector<std::string> words;                // the subcommand and its arguments
};

// arguments excludes the program name. Throws CannotRun on an unknown option, a host option
// given twice or without its value, an empty path, a database kind that does not fit, a --retries
// that is no whole number from 0 to 10, a --timeout that is none from 0 to 3600, or both --connect
// and --dsn. "--help" and "-h" read as the subcommand "help"; a lone "--" and every word after it
// go to the subcommand as they are.
HostOptions parse_command_line(std::span<const std::string> arguments);

}  // namespace itemlookup
