#include "command_line.hpp"

#include <algorithm>
#include <cctype>
#include <functional>
#include <string_view>

#include "command_error.hpp"
#include "item_lookup.h"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

std::string database_kind(std::string value) {
  if (value.size() > LOOKUP_DATABASE_KIND_WIDTH) {
    throw CommandError("--kind '" + value + "' is longer than " +
                       std::to_string(LOOKUP_DATABASE_KIND_WIDTH) + " characters");
  }
  std::transform(value.begin(), value.end(), value.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return value;
}

struct ValueOption {
  std::string_view name;
  std::function<void(HostOptions&, std::string)> store;
};

const ValueOption kValueOptions[] = {
    {"--connect", [](HostOptions& o, std::string v) { o.connection_string = std::move(v); }},
    {"--dsn", [](HostOptions& o, std::string v) { o.data_source = std::move(v); }},
    {"--kind", [](HostOptions& o, std::string v) { o.database_kind = database_kind(v); }},
    {"--modules", [](HostOptions& o, std::string v) { o.module_directory = fs::absolute(v); }},
    {"--demo-db", [](HostOptions& o, std::string v) { o.demo_database = fs::absolute(v); }},
};

const ValueOption* value_option(std::string_view name) {
  for (const ValueOption& option : kValueOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

}  // namespace

HostOptions parse_command_line(std::span<const std::string> arguments) {
  HostOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--") {
      options.words.insert(options.words.end(), arguments.begin() + static_cast<long>(i),
                           arguments.end());
      break;
    }
    if (word == "--json") {
      options.json = true;
      continue;
    }
    if (word == "--help" || word == "-h") {
      options.words.insert(options.words.begin(), "help");
      continue;
    }
    const std::size_t equals = word.find('=');
    const ValueOption* option = value_option(std::string_view(word).substr(0, equals));
    if (option == nullptr) {
      options.words.push_back(word);
      continue;
    }
    if (equals != std::string::npos) {
      option->store(options, word.substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      option->store(options, arguments[++i]);
    } else {
      throw CommandError(std::string(option->name) + " needs a value");
    }
  }
  if (options.connection_string && options.data_source) {
    throw CommandError("give either --connect or --dsn, not both");
  }
  if (options.demo_database && (options.connection_string || options.data_source)) {
    throw CommandError("--demo-db names the embedded demo database; it does not go with " +
                       std::string(options.connection_string ? "--connect" : "--dsn"));
  }
  return options;
}

}  // namespace itemlookup
