#include "expected_lookups.hpp"

#include <map>

#include "item_lookup.h"

namespace soak {

namespace {

constexpr std::string_view kItemMissing = VELDORIN_STATUS_ITEM_NOT_FOUND;
constexpr std::string_view kCodesMissing = VELDORIN_STATUS_CODES_NOT_FOUND;
constexpr std::string_view kCustomerMissing = MARQUETH_STATUS_NOT_FOUND;
constexpr std::string_view kCustomerCodesMissing = MARQUETH_STATUS_CODES_NOT_FOUND;

const std::vector<ExpectedLookup> kLookups = {
    {{"item", "1001"}, true, kItemMissing, "description", "PARACETAMOL 500MG 20 COMPRIMIDOS"},
    {{"item", "9999"}, false, kItemMissing, {}, {}},
    {{"item", "O'NEIL-7"}, true, kItemMissing, "sales_family", "DERMO"},
    {{"item-summary", "1003"}, true, kItemMissing, "pmc_value", "000000004590"},
    {{"item-summary", "NOPE"}, false, kItemMissing, {}, {}},
    {{"resolve", "--barcode", "7891000100017"}, true, kCodesMissing, "item_code", "1001"},
    {{"resolve", "--barcode", "0000000000000", "--external", "EXT-ONLY-1002"},
     true,
     kCodesMissing,
     "item_code",
     "1002"},
    {{"resolve", "--barcode", "NONE", "--external", "NONE"}, false, kCodesMissing, {}, {}},
    {{"customer-item", "C", "42", "1001"}, true, kCustomerMissing, "factor", "000000123456789"},
    {{"customer-item", "C", "42", "9999"}, false, kCustomerMissing, {}, {}},
    {{"customer-resolve", "C", "42", "PARA500-CLI42"},
     true,
     kCustomerCodesMissing,
     "item_code",
     "1001"},
    {{"customer-resolve", "C", "42", "NOPE"}, false, kCustomerCodesMissing, {}, {}},
    {{"customer-codes", "C", "7", "1001"},
     true,
     kCustomerMissing,
     "customer_item_code",
     "7-PARACETAMOL"},
    {{"customer-codes", "C", "7", "9999"}, false, kCustomerMissing, {}, {}},
    {{"customer-unit", "F", "42", "1001"}, true, kCustomerMissing, "unit", "CX"},
    {{"customer-unit", "C", "42", "O'NEIL-7"}, true, kCustomerMissing, "factor", "000000005000000"},
};

}  // namespace

std::span<const ExpectedLookup> mixed_lookups() {
  return kLookups;
}

const itemlookup::LookupRequest& request_for(const ExpectedLookup& lookup) {
  static std::map<const ExpectedLookup*, itemlookup::LookupRequest> parsed;
  auto found = parsed.find(&lookup);
  if (found == parsed.end()) {
    found = parsed.emplace(&lookup, itemlookup::parse_lookup_request(lookup.words)).first;
  }
  return found->second;
}

std::string field_text(const itemlookup::LookupResult& result, std::string_view name) {
  const auto& parameters = result.command->module.parameters;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].name != name) continue;
    std::string text(result.field(static_cast<std::uint8_t>(i)));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  return "<no field " + std::string(name) + ">";
}

std::string mismatch(const ExpectedLookup& lookup, const itemlookup::LookupResult& result) {
  std::string command;
  for (const std::string& word : lookup.words) command += (command.empty() ? "" : " ") + word;
  const std::string_view status = result.status();
  const std::string_view expected_status =
      lookup.found ? itemlookup::kStatusFound : lookup.missing_status;
  if (status != expected_status) {
    return command + ": status " + std::string(status) + " instead of " +
           std::string(expected_status);
  }
  if (result.return_code != 0) {
    return command + ": return code " + std::to_string(result.return_code);
  }
  if (lookup.found && field_text(result, lookup.field) != lookup.value) {
    return command + ": " + std::string(lookup.field) + " is '" + field_text(result, lookup.field) +
           "' instead of '" + std::string(lookup.value) + "'";
  }
  return {};
}

}  // namespace soak
