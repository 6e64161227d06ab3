#include "lookup/lookup_request.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "errors_and_text/cannot_run.hpp"
#include "errors_and_text/printable_text.hpp"

namespace itemlookup {

namespace {

std::string field_label(const LookupCommand& command, const KeyArgument& key) {
  std::string label(command.module.parameters[key.parameter].name);
  std::replace(label.begin(), label.end(), '_', ' ');
  return label;
}

bool blank(std::string_view value) {
  return value.find_first_not_of(' ') == std::string_view::npos;
}

[[noreturn, gnu::cold]] void reject(const LookupCommand& command, const std::string& problem) {
  throw CannotRun(std::string(command.name) + ": " + problem +
                  " (usage: " + command_usage(command) + ")");
}

KeyField padded_text(const LookupCommand& command, const KeyArgument& key, std::string_view value) {
  const std::size_t width = command.module.parameters[key.parameter].width;
  if (value.size() > width) {
    reject(command, field_label(command, key) + " " + excerpt(value) + " is " +
                        std::to_string(value.size()) + " bytes long; the field holds " +
                        std::to_string(width));
  }
  return KeyField(value, width);
}

KeyField customer_code(const LookupCommand& command, const KeyArgument& key,
                       std::string_view value) {
  const std::size_t width = command.module.parameters[key.parameter].width;
  const bool digits_only =
      std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (value.empty() || value.size() > width || !digits_only) {
    reject(command, "customer code " + excerpt(value) + " must be 1 to " + std::to_string(width) +
                        " digits");
  }
  char code[kWidestKeyField];
  const std::size_t zeros = width - value.size();
  std::memset(code, '0', zeros);
  std::memcpy(code + zeros, value.data(), value.size());
  return KeyField(std::string_view(code, width), width);
}

KeyField key_field(const LookupCommand& command, const KeyArgument& key, std::string_view value) {
  switch (key.form) {
    case KeyForm::customer_code:
      return customer_code(command, key, value);
    case KeyForm::customer_kind:
      if (blank(value)) reject(command, "customer kind is empty");
      if (value.size() != 1)
        reject(command, "customer kind " + excerpt(value) + " must be one byte");
      return KeyField(value, 1);
    case KeyForm::text:
      break;
  }
  // A key of blanks is the same field as an empty one.
  if (blank(value)) reject(command, field_label(command, key) + " is empty");
  return padded_text(command, key, value);
}

const KeyArgument* option_key(const LookupCommand& command, std::string_view name) {
  for (const KeyArgument& key : command.keys) {
    if (!key.option.empty() && key.option == name) return &key;
  }
  return nullptr;
}

// The arguments sorted into the command's keys, by the key's place in command.keys.
using KeyArguments = std::array<std::optional<std::string_view>, kMostKeyArguments>;

// Sorts the arguments into the command's keys: "--option VALUE", "--option=VALUE" or, for
// positional keys, in order. A lone "--" ends the options.
KeyArguments assign_arguments(const LookupCommand& command,
                              std::span<const std::string> arguments) {
  KeyArguments values;
  std::size_t next_positional = 0;
  bool options_ended = false;
  auto index_of = [&](const KeyArgument& key) {
    return static_cast<std::size_t>(&key - command.keys.data());
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (!options_ended && word == "--") {
      options_ended = true;
      continue;
    }
    if (!options_ended && word.starts_with("--")) {
      const std::size_t equals = word.find('=');
      const KeyArgument* key = option_key(command, std::string_view(word).substr(0, equals));
      if (key == nullptr) reject(command, "unknown option " + excerpt(word.substr(0, equals)));
      if (equals != std::string::npos) {
        values[index_of(*key)] = std::string_view(word).substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        values[index_of(*key)] = arguments[++i];
      } else {
        reject(command, std::string(key->option) + " needs a value");
      }
      continue;
    }
    while (next_positional < command.keys.size() && !command.keys[next_positional].option.empty()) {
      ++next_positional;
    }
    if (next_positional == command.keys.size())
      reject(command, "unexpected argument " + excerpt(word));
    values[next_positional++] = word;
  }
  return values;
}

}  // namespace

std::string command_usage(const LookupCommand& command) {
  std::string usage(command.name);
  for (const KeyArgument& key : command.keys) {
    usage += ' ';
    if (key.option.empty()) {
      usage += key.label;
    } else {
      usage += '[' + std::string(key.option) + ' ' + std::string(key.label) + ']';
    }
  }
  return usage;
}

KeyField::KeyField(std::string_view value, std::size_t width)
    : size_(static_cast<std::uint8_t>(width)) {
  std::memcpy(bytes_.data(), value.data(), value.size());
  std::memset(bytes_.data() + value.size(), ' ', width - value.size());
}

LookupRequest parse_lookup_request(std::span<const std::string> words) {
  LookupRequest request;
  parse_lookup_request(words, request);
  return request;
}

void parse_lookup_request(std::span<const std::string> words, LookupRequest& request) {
  if (words.empty()) throw CannotRun("no lookup given (try 'itemlookup help')");
  const LookupCommand* command = find_lookup_command(words[0]);
  if (command == nullptr) {
    throw CannotRun("unknown subcommand " + excerpt(words[0]) + " (try 'itemlookup help')");
  }
  const auto values = assign_arguments(*command, words.subspan(1));

  request.command = command;
  request.keys.clear();
  request.keys.reserve(kMostKeyArguments);
  bool any_option = false;
  bool options_only = true;
  for (std::size_t i = 0; i < command->keys.size(); ++i) {
    const KeyArgument& key = command->keys[i];
    if (key.option.empty()) {
      options_only = false;
      if (!values[i]) reject(*command, "missing " + std::string(key.label));
    }
    // An option given an empty value counts as left out, as an empty CSV field would mean.
    if (!values[i] || (!key.option.empty() && blank(*values[i]))) continue;
    any_option = any_option || !key.option.empty();
    request.keys.push_back({key.parameter, key_field(*command, key, *values[i])});
  }
  // Options may each be left out, but a lookup keyed by nothing at all is a mistake.
  if (options_only && !any_option) reject(*command, "give at least one of its options");
}

}  // namespace itemlookup
