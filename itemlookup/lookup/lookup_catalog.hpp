// What the host knows about the two modules: the fields it passes, in parameter order, and the
// lookups an operator can ask for, each naming its module, function code, keys and outputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace itemlookup {

enum class FieldKind : std::uint8_t {
  text,    // X(n): bytes padded with spaces
  digits,  // 9(p)V9(s): ASCII digits with an implied decimal point
  handle,  // an ODBC handle (SQLHANDLE)
};

struct FieldDef {
  std::string_view name;
  FieldKind kind;
  std::uint8_t width;  // bytes; handles take sizeof(SQLHANDLE) whatever this says
  std::uint8_t decimals = 0;
};

using EntryCaller = int (*)(void* entry, std::span<void* const> parameters);

struct ModuleDef {
  std::string_view entry_name;  // the exported entry point; the file is <entry_name>.so
  std::span<const FieldDef> parameters;
  EntryCaller call;
  std::uint8_t function_code;
  std::uint8_t status;
  std::uint8_t database_kind;
  std::uint8_t environment;
  std::uint8_t connection;
};

// How an operator's argument becomes the bytes of a key field.
enum class KeyForm : std::uint8_t {
  text,           // padded with spaces, at most the field width
  customer_kind,  // exactly one character
  customer_code,  // 1 to 5 digits, written with leading zeros
};

struct KeyArgument {
  std::string_view label;   // as shown in usage: ITEM, CODE, ...
  std::string_view option;  // "--barcode" for an option; empty for a positional argument
  std::uint8_t parameter;
  KeyForm form = KeyForm::text;
};

// The most keys a lookup takes, and the widest of their fields: a request keeps its keys in that
// much room, with no allocation.
inline constexpr std::size_t kMostKeyArguments = 3;
inline constexpr std::size_t kWidestKeyField = 50;

struct LookupCommand {
  std::string_view name;
  std::string_view summary;
  const ModuleDef& module;
  char function_code;
  std::span<const KeyArgument> keys;
  std::span<const std::uint8_t> outputs;
  // The outputs the module fills through the numeric text converter, in the order it converts.
  std::span<const std::uint8_t> conversions = {};
};

extern const ModuleDef kItemDataModule;
extern const ModuleDef kCustomerItemModule;

std::span<const LookupCommand> lookup_commands();
const LookupCommand* find_lookup_command(std::string_view name);

// "00000 found", "01027 item not found", ...; empty for a status neither module writes.
std::string_view status_meaning(std::string_view status);
inline constexpr std::string_view kStatusFound = "00000";

}  // namespace itemlookup
