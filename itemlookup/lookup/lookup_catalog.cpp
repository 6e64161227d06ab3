#include "lookup/lookup_catalog.hpp"

#include <array>
#include <type_traits>

#include "item_lookup.h"
#include "lookup/entry_call.hpp"

namespace itemlookup {

namespace {

constexpr FieldKind field_kind(item_lookup_field_kind kind) {
  switch (kind) {
    case LOOKUP_DIGITS:
      return FieldKind::digits;
    case LOOKUP_HANDLE:
      return FieldKind::handle;
    default:
      return FieldKind::text;
  }
}

#define ITEMLOOKUP_POSITION(name, kind, size, decimals) name,
#define ITEMLOOKUP_FIELD(name, kind, size, decimals) \
  FieldDef{#name, field_kind(kind), size, decimals},

// VELDORIN's parameters in call order, from the parameter table.
namespace item {
enum : std::uint8_t { VELDORIN_PARAMETERS(ITEMLOOKUP_POSITION) count };
}  // namespace item

constexpr FieldDef kItemFields[] = {VELDORIN_PARAMETERS(ITEMLOOKUP_FIELD)};
static_assert(std::is_same_v<Entry<VELDORIN_PARAMETER_COUNT>, veldorin_entry>);

// MARQUETH's parameters in call order, from the parameter table.
namespace customer {
enum : std::uint8_t { MARQUETH_PARAMETERS(ITEMLOOKUP_POSITION) count };
}  // namespace customer

// The customer code is a key the operator types and reads as a code, leading zeros and all.
constexpr auto kCustomerFields = [] {
  std::array<FieldDef, MARQUETH_PARAMETER_COUNT> fields{MARQUETH_PARAMETERS(ITEMLOOKUP_FIELD)};
  fields[customer::customer_code].kind = FieldKind::text;
  return fields;
}();
static_assert(std::is_same_v<Entry<MARQUETH_PARAMETER_COUNT>, marqueth_entry>);

#undef ITEMLOOKUP_POSITION
#undef ITEMLOOKUP_FIELD

// Keys and outputs of each lookup.
constexpr KeyArgument kItemKey[] = {{"ITEM", "", item::item_code}};
constexpr KeyArgument kResolveKeys[] = {
    {"BARCODE", "--barcode", item::barcode},
    {"EXTERNAL-CODE", "--external", item::external_code},
};
constexpr KeyArgument kCustomerItemKeys[] = {
    {"KIND", "", customer::customer_kind, KeyForm::customer_kind},
    {"CODE", "", customer::customer_code, KeyForm::customer_code},
    {"ITEM", "", customer::item_code},
};
constexpr KeyArgument kCustomerResolveKeys[] = {
    {"KIND", "", customer::customer_kind, KeyForm::customer_kind},
    {"CODE", "", customer::customer_code, KeyForm::customer_code},
    {"CUSTOMER-ITEM", "", customer::customer_item_code},
};

// Every key fits the room a request keeps for it.
template <std::size_t N>
constexpr bool keys_fit(const KeyArgument (&keys)[N], std::span<const FieldDef> fields) {
  if (N > kMostKeyArguments) return false;
  for (const KeyArgument& key : keys) {
    if (fields[key.parameter].width > kWidestKeyField) return false;
  }
  return true;
}
static_assert(keys_fit(kItemKey, kItemFields) && keys_fit(kResolveKeys, kItemFields) &&
              keys_fit(kCustomerItemKeys, kCustomerFields) &&
              keys_fit(kCustomerResolveKeys, kCustomerFields));

constexpr std::uint8_t kFullItemOutputs[] = {
    item::sales_family, item::external_code, item::barcode,      item::description,
    item::trace_flag,   item::detail_flag,   item::anvisa_code,  item::pmc_value,
    item::pmv_value,    item::net_weight,    item::gross_weight,
};
constexpr std::uint8_t kItemSummaryOutputs[] = {
    item::external_code, item::barcode,   item::description, item::trace_flag,
    item::anvisa_code,   item::pmc_value, item::pmv_value,
};
constexpr std::uint8_t kResolveOutputs[] = {item::item_code};
constexpr std::uint8_t kCustomerItemOutputs[] = {
    customer::customer_item_code, customer::unit,    customer::factor, customer::minimum_lot,
    customer::order_multiple,     customer::barcode, customer::days,
};
constexpr std::uint8_t kCustomerResolveOutputs[] = {customer::item_code};
constexpr std::uint8_t kCustomerCodesOutputs[] = {customer::customer_item_code, customer::barcode};
constexpr std::uint8_t kCustomerUnitOutputs[] = {customer::unit, customer::factor};

constexpr std::uint8_t kFullItemConversions[] = {item::pmc_value, item::pmv_value, item::net_weight,
                                                 item::gross_weight};
constexpr std::uint8_t kItemSummaryConversions[] = {item::pmc_value, item::pmv_value};
constexpr std::uint8_t kCustomerItemConversions[] = {customer::factor, customer::minimum_lot,
                                                     customer::order_multiple};
constexpr std::uint8_t kCustomerUnitConversions[] = {customer::factor};

}  // namespace

const ModuleDef kItemDataModule{
    .entry_name = "VELDORIN",
    .parameters = kItemFields,
    .call = call_entry<VELDORIN_PARAMETER_COUNT>,
    .function_code = item::function_code,
    .status = item::status,
    .database_kind = item::database_kind,
    .environment = item::environment_handle,
    .connection = item::connection_handle,
};

const ModuleDef kCustomerItemModule{
    .entry_name = "MARQUETH",
    .parameters = kCustomerFields,
    .call = call_entry<MARQUETH_PARAMETER_COUNT>,
    .function_code = customer::function_code,
    .status = customer::status,
    .database_kind = customer::database_kind,
    .environment = customer::environment_handle,
    .connection = customer::connection_handle,
};

namespace {

const LookupCommand kCommands[] = {
    {"item", "every supplementary column of an item", kItemDataModule, VELDORIN_FULL_FETCH,
     kItemKey, kFullItemOutputs, kFullItemConversions},
    {"item-summary", "codes, description and prices of an item", kItemDataModule,
     VELDORIN_PARTIAL_FETCH, kItemKey, kItemSummaryOutputs, kItemSummaryConversions},
    {"resolve", "the item code by barcode, failing that by external code", kItemDataModule,
     VELDORIN_RESOLVE_ITEM_CODE, kResolveKeys, kResolveOutputs},
    {"customer-item", "a customer's cross-reference row for an item", kCustomerItemModule,
     MARQUETH_CUSTOMER_ITEM_FETCH, kCustomerItemKeys, kCustomerItemOutputs,
     kCustomerItemConversions},
    {"customer-resolve", "the item code from a customer's own item code", kCustomerItemModule,
     MARQUETH_RESOLVE_ITEM_CODE, kCustomerResolveKeys, kCustomerResolveOutputs},
    {"customer-codes", "a customer's item code and barcode for an item", kCustomerItemModule,
     MARQUETH_CODES_FETCH, kCustomerItemKeys, kCustomerCodesOutputs},
    {"customer-unit", "a customer's unit of measure and factor for an item", kCustomerItemModule,
     MARQUETH_UNIT_FETCH, kCustomerItemKeys, kCustomerUnitOutputs, kCustomerUnitConversions},
};

struct StatusMeaning {
  std::string_view status;
  std::string_view meaning;
};

constexpr StatusMeaning kStatusMeanings[] = {
    {VELDORIN_STATUS_FOUND, "found"},
    {VELDORIN_STATUS_ITEM_NOT_FOUND, "item not found"},
    {VELDORIN_STATUS_CODES_NOT_FOUND, "not found by codes"},
    {MARQUETH_STATUS_NOT_FOUND, "customer item not found"},
};

}  // namespace

std::span<const LookupCommand> lookup_commands() {
  return kCommands;
}

const LookupCommand* find_lookup_command(std::string_view name) {
  for (const LookupCommand& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

std::string_view status_meaning(std::string_view status) {
  for (const StatusMeaning& entry : kStatusMeanings) {
    if (entry.status == status) return entry.meaning;
  }
  return {};
}

}  // namespace itemlookup
