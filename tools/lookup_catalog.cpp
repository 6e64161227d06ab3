#include "lookup_catalog.hpp"

#include <type_traits>

#include "entry_call.hpp"
#include "item_lookup.h"

namespace itemlookup {

namespace {

// VELDORIN's parameters in call order.
namespace item {
enum : std::uint8_t {
  function_code,
  item_code,
  sales_family,
  external_code,
  barcode,
  description,
  trace_flag,
  detail_flag,
  anvisa_code,
  pmc_value,
  pmv_value,
  net_weight,
  gross_weight,
  status,
  database_kind,
  environment,
  connection,
  count
};
}  // namespace item

constexpr FieldDef kItemFields[] = {
    {"function_code", FieldKind::text, LOOKUP_FUNCTION_CODE_WIDTH},
    {"item_code", FieldKind::text, VELDORIN_ITEM_CODE_WIDTH},
    {"sales_family", FieldKind::text, VELDORIN_SALES_FAMILY_WIDTH},
    {"external_code", FieldKind::text, VELDORIN_EXTERNAL_CODE_WIDTH},
    {"barcode", FieldKind::text, VELDORIN_BARCODE_WIDTH},
    {"description", FieldKind::text, VELDORIN_DESCRIPTION_WIDTH},
    {"trace_flag", FieldKind::text, VELDORIN_TRACE_FLAG_WIDTH},
    {"detail_flag", FieldKind::text, VELDORIN_DETAIL_FLAG_WIDTH},
    {"anvisa_code", FieldKind::text, VELDORIN_ANVISA_CODE_WIDTH},
    {"pmc_value", FieldKind::digits, VELDORIN_PRICE_DIGITS, VELDORIN_PRICE_DECIMALS},
    {"pmv_value", FieldKind::digits, VELDORIN_PRICE_DIGITS, VELDORIN_PRICE_DECIMALS},
    {"net_weight", FieldKind::digits, VELDORIN_WEIGHT_DIGITS, VELDORIN_WEIGHT_DECIMALS},
    {"gross_weight", FieldKind::digits, VELDORIN_WEIGHT_DIGITS, VELDORIN_WEIGHT_DECIMALS},
    {"status", FieldKind::text, LOOKUP_STATUS_WIDTH},
    {"database_kind", FieldKind::text, LOOKUP_DATABASE_KIND_WIDTH},
    {"environment_handle", FieldKind::handle, 0},
    {"connection_handle", FieldKind::handle, 0},
};
static_assert(std::size(kItemFields) == item::count && item::count == VELDORIN_PARAMETER_COUNT);
static_assert(std::is_same_v<Entry<VELDORIN_PARAMETER_COUNT>, decltype(&VELDORIN)>);

// MARQUETH's parameters in call order.
namespace customer {
enum : std::uint8_t {
  function_code,
  customer_kind,
  customer_code,
  item_code,
  customer_item_code,
  unit,
  factor,
  minimum_lot,
  order_multiple,
  barcode,
  days,
  status,
  database_kind,
  environment,
  connection,
  count
};
}  // namespace customer

constexpr FieldDef kCustomerFields[] = {
    {"function_code", FieldKind::text, LOOKUP_FUNCTION_CODE_WIDTH},
    {"customer_kind", FieldKind::text, MARQUETH_CUSTOMER_KIND_WIDTH},
    {"customer_code", FieldKind::text, MARQUETH_CUSTOMER_CODE_DIGITS},
    {"item_code", FieldKind::text, MARQUETH_ITEM_CODE_WIDTH},
    {"customer_item_code", FieldKind::text, MARQUETH_CUSTOMER_ITEM_CODE_WIDTH},
    {"unit", FieldKind::text, MARQUETH_UNIT_WIDTH},
    {"factor", FieldKind::digits, MARQUETH_FACTOR_DIGITS, MARQUETH_FACTOR_DECIMALS},
    {"minimum_lot", FieldKind::digits, MARQUETH_QUANTITY_DIGITS, MARQUETH_QUANTITY_DECIMALS},
    {"order_multiple", FieldKind::digits, MARQUETH_QUANTITY_DIGITS, MARQUETH_QUANTITY_DECIMALS},
    {"barcode", FieldKind::text, MARQUETH_BARCODE_WIDTH},
    {"days", FieldKind::digits, MARQUETH_DAYS_DIGITS},
    {"status", FieldKind::text, LOOKUP_STATUS_WIDTH},
    {"database_kind", FieldKind::text, LOOKUP_DATABASE_KIND_WIDTH},
    {"environment_handle", FieldKind::handle, 0},
    {"connection_handle", FieldKind::handle, 0},
};
static_assert(std::size(kCustomerFields) == customer::count &&
              customer::count == MARQUETH_PARAMETER_COUNT);
static_assert(std::is_same_v<Entry<MARQUETH_PARAMETER_COUNT>, decltype(&MARQUETH)>);

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
    .environment = item::environment,
    .connection = item::connection,
};

const ModuleDef kCustomerItemModule{
    .entry_name = "MARQUETH",
    .parameters = kCustomerFields,
    .call = call_entry<MARQUETH_PARAMETER_COUNT>,
    .function_code = customer::function_code,
    .status = customer::status,
    .database_kind = customer::database_kind,
    .environment = customer::environment,
    .connection = customer::connection,
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
