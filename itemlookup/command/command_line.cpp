#include "command/command_line.hpp"

#include <algorithm>
#include <cctype>
#include <functional>
#include <string_view>

#include "errors_and_text/cannot_run.hpp"
#include "item_lookup.h"
#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

std::string database_kind(std::string value) {
  if (value.size() > LOOKUP_DATABASE_KIND_WIDTH) {
    throw CannotRun("--kind '" + value + "' is " + std::to_string(value.size()) +
                    " bytes long; the field holds " + std::to_string(LOOKUP_DATABASE_KIND_WIDTH));
  }
  std::transform(value.begin(), value.end(), value.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return value;
}

// A path option: never empty; made absolute, since the host changes directory later.
fs::path path_value(std::string_view option, const std::string& value) {
  if (value.empty()) throw CannotRun(std::string(option) + " is empty: give a path");
  return fs::absolute(value);
}

std::string encoding(const std::string& value) {
  if (value != "utf8" && value != "latin1") {
    throw CannotRun("--encoding '" + value + "' is not one of utf8, latin1");
  }
  return value;
}

// A count written in plain digits: no sign, no leading zero.
int whole_number(std::string_view option, const std::string& value, int most) {
  const bool digits =
      !value.empty() && value.size() <= 4 && (value == "0" || value[0] != '0') &&
      std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
  if (!digits || std::stoi(value) > most) {
    throw CannotRun(std::string(option) + " '" + value + "' is not a whole number from 0 to " +
                    std::to_string(most));
  }
  return std::stoi(value);
}

struct ValueOption {
  std::string_view name;
  std::function<void(HostOptions&, std::string)> store;
};

const ValueOption kValueOptions[] = {
    {"--connect", [](HostOptions& o, std::string v) { o.connection_string = std::move(v); }},
    {"--dsn", [](HostOptions& o, std::string v) { o.data_source = std::move(v); }},
    {"--kind", [](HostOptions& o, std::string v) { o.database_kind = database_kind(v); }},
    {"--modules",
     [](HostOptions& o, std::string v) { o.module_directory = path_value("--modules", v); }},
    {"--demo-db",
     [](HostOptions& o, std::string v) { o.demo_database = path_value("--demo-db", v); }},
    {"--encoding", [](HostOptions& o, std::string v) { o.latin1 = encoding(v) == "latin1"; }},
    {"--retries",
     [](HostOptions& o, std::string v) { o.retries = whole_number("--retries", v, kMostRetries); }},
    {"--timeout",
     [](HostOptions& o, std::string v) {
       o.timeout_seconds = whole_number("--timeout", v, kMostTimeoutSeconds);
     }},
};

const ValueOption* value_option(std::string_view name) {
  for (const ValueOption& option : kValueOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// Options of the lookups themselves, which the host passes on.
bool lookup_option(std::string_view name) {
  for (const LookupCommand& command : lookup_commands()) {
    for (const KeyArgument& key : command.keys) {
      if (!key.option.empty() && key.option == name) return true;
    }
  }
  return false;
}

}  // namespace

HostOptions parse_command_line(std::span<const std::string> arguments) {
  HostOptions options;
  std::vector<std::string_view> seen;
  auto once = [&seen](std::string_view name) {
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
      throw CannotRun(std::string(name) + " is given twice");
    }
    seen.push_back(name);
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--") {
      // Everything after it is the subcommand's, however it looks: the subcommand (named here
      // when no word came before) sees a "--" too, so that its own options end there as well.
      auto rest = arguments.begin() + static_cast<long>(i) + 1;
      if (options.words.empty() && rest != arguments.end()) options.words.push_back(*rest++);
      options.words.push_back(word);
      options.words.insert(options.words.end(), rest, arguments.end());
      break;
    }
    if (word == "--json" || word == "--version") {
      once(word);
      (word == "--json" ? options.json : options.version) = true;
      continue;
    }
    if (word == "--help" || word == "-h") {
      options.words.insert(options.words.begin(), "help");
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string_view name = std::string_view(word).substr(0, equals);
    const ValueOption* option = value_option(name);
    if (option == nullptr) {
      // "-1" is a value (a negative number, say); "-x" and "--xyz" are options.
      const bool looks_like_option =
          word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1]));
      if (looks_like_option && !lookup_option(name)) {
        throw CannotRun("unknown option '" + std::string(name) + "' (try 'itemlookup help')");
      }
      options.words.push_back(word);
      continue;
    }
    once(option->name);
    if (equals != std::string::npos) {
      option->store(options, word.substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      option->store(options, arguments[++i]);
    } else {
      throw CannotRun(std::string(option->name) + " needs a value");
    }
  }
  if (options.connection_string && options.data_source) {
    throw CannotRun("give either --connect or --dsn, not both");
  }
  if (options.demo_database && (options.connection_string || options.data_source)) {
    throw CannotRun("--demo-db names the embedded demo database; it does not go with " +
                    std::string(options.connection_string ? "--connect" : "--dsn"));
  }
  return options;
}

}  // namespace itemlookup
