// The host's own options, taken from anywhere on the command line; every other word belongs to
// the subcommand.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace itemlookup {

struct HostOptions {
  std::optional<std::string> connection_string;  // --connect
  std::optional<std::string> data_source;        // --dsn
  std::string database_kind;                     // --kind, upper case, at most 15 characters
  std::optional<std::filesystem::path> module_directory;  // --modules, made absolute
  std::optional<std::filesystem::path> demo_database;     // --demo-db, made absolute
  bool json = false;                                      // --json
  std::vector<std::string> words;                         // the subcommand and its arguments
};

// arguments excludes the program name. Throws CommandError on a host option without its value,
// a database kind that does not fit, or both --connect and --dsn. "--help" and "-h" read as the
// subcommand "help"; after a lone "--" every word goes to the subcommand.
HostOptions parse_command_line(std::span<const std::string> arguments);

}  // namespace itemlookup
