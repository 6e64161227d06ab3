#include "lookup_cases.hpp"

#include <algorithm>
#include <optional>

#include "item_lookup.h"
#include "marqueth_host.hpp"
#include "veldorin_host.hpp"

namespace database_integration {

namespace {

using Key = std::optional<std::string>;

// A NULL key column is looked up as a blank field, which finds nothing on either database.
std::string text_or_blank(const Key& value) {
  return value.value_or("");
}

std::vector<VeldorinKeys> demo_items(OdbcSession& demo_rows) {
  std::vector<VeldorinKeys> items;
  for (const Row& row :
       demo_rows.query("SELECT ADFIT_COD_ITEM, ADFIT_COD_BARRAS, ADFIT_COD_EXTERNO FROM VNDADFIT "
                       "ORDER BY ADFIT_COD_ITEM")) {
    items.push_back({row[0], row[1], row[2]});
  }
  return items;
}

std::vector<MarquethKeys> demo_cross_references(OdbcSession& demo_rows) {
  std::vector<MarquethKeys> rows;
  for (const Row& row : demo_rows.query(
           "SELECT AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM, AITCL_ITEM_CLIENTE FROM VNDAITCL "
           "ORDER BY AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM")) {
    rows.push_back({row[0], row[1], row[2], row[3]});
  }
  return rows;
}

// Item codes for function codes "1" and "2": each demo item, then codes no row has.
std::vector<VeldorinKeys> item_code_keys(OdbcSession& demo_rows) {
  std::vector<VeldorinKeys> keys;
  for (const VeldorinKeys& item : demo_items(demo_rows)) keys.push_back({item.item_code, {}, {}});
  // A backslash is an ordinary byte: no key below may end its literal and match other rows.
  for (const char* missing : {"NO-SUCH-ITEM", "O'NEIL-8", "o'neil-7", " 1001", "", "''",
                              "\\' OR 1=1 #", "BARRA\\", "barra\\'s-1011", "ABCDEFGHIJKLMNO\\"}) {
    keys.push_back({missing, {}, {}});
  }
  return keys;
}

// Barcode and external code for function code "3": each demo item by its barcode alone and by
// its external code alone, both given at once, and neither found.
std::vector<VeldorinKeys> item_resolution_keys(OdbcSession& demo_rows) {
  std::vector<VeldorinKeys> keys;
  for (const VeldorinKeys& item : demo_items(demo_rows)) {
    keys.push_back({{}, text_or_blank(item.barcode), ""});
    keys.push_back({{}, "", text_or_blank(item.external_code)});
  }
  keys.push_back({{}, "7891000100017", "EXT-1009"});
  keys.push_back({{}, "7891000100017", "NO-SUCH-CODE"});
  keys.push_back({{}, "NO-SUCH-CODE", "EXT-O'NEIL"});
  keys.push_back({{}, "0000000000000", "EXT-O'NEIL-2"});
  keys.push_back({{}, "'", "'"});
  keys.push_back({{}, "\\' OR 1=1 #", "\\' OR 1=1 #"});
  keys.push_back({{}, "789100010111311\\", "EXT\\'1011"});
  return keys;
}

// Kind, customer and item for function codes "1", "3" and "4".
std::vector<MarquethKeys> customer_item_keys(OdbcSession& demo_rows) {
  std::vector<MarquethKeys> keys;
  for (const MarquethKeys& row : demo_cross_references(demo_rows)) {
    keys.push_back({row.customer_kind, row.customer_code, row.item_code, {}});
  }
  keys.push_back({"F", "00042", "1002", {}});
  keys.push_back({"C", "00043", "1001", {}});
  keys.push_back({"C", "00000", "1001", {}});
  keys.push_back({"C", "00042", "NO-SUCH-ITEM", {}});
  keys.push_back({"C", "00042", "O'NEIL-8", {}});
  keys.push_back({"", "00042", "1001", {}});
  keys.push_back({"C", "00042", "", {}});
  keys.push_back({"C", "00042", "\\' OR 1=1 #", {}});
  // A C host can write any byte into the customer code: a backslash there must not swallow the
  // quote that closes it and turn the item code into SQL.
  keys.push_back({"C", "0004\\", " OR 1=1 #", {}});
  keys.push_back({"\\", "00042", "1001", {}});
  return keys;
}

// Kind, customer and the customer's own item code for function code "2".
std::vector<MarquethKeys> customer_item_code_keys(OdbcSession& demo_rows) {
  std::vector<MarquethKeys> keys;
  for (const MarquethKeys& row : demo_cross_references(demo_rows)) {
    keys.push_back(
        {row.customer_kind, row.customer_code, {}, text_or_blank(row.customer_item_code)});
  }
  keys.push_back({"C", "00007", {}, "PARA500-CLI42"});
  keys.push_back({"F", "00042", {}, "PARA500-CLI42"});
  keys.push_back({"C", "00042", {}, "LOCAO O'NEIL"});
  keys.push_back({"C", "00042", {}, "para500-cli42"});
  keys.push_back({"C", "00042", {}, ""});
  keys.push_back({"C", "00042", {}, "\\' UNION SELECT USER() #"});
  keys.push_back({"C", "0004\\", {}, " OR 1=1 #"});
  keys.push_back({"C", "00042", {}, "C:\\ITENS\\O'NEIL"});
  return keys;
}

std::vector<LookupCase> veldorin_cases(char function_code, const std::vector<VeldorinKeys>& keys) {
  std::vector<LookupCase> cases;
  for (const VeldorinKeys& key : keys) {
    cases.push_back({"VELDORIN \"" + std::string(1, function_code) + "\" " + describe(key),
                     [function_code, key](const OdbcSession& session, DatabaseKind kind) {
                       return run_veldorin(session, function_code, kind, key);
                     }});
  }
  return cases;
}

std::vector<LookupCase> marqueth_cases(char function_code, const std::vector<MarquethKeys>& keys) {
  std::vector<LookupCase> cases;
  for (const MarquethKeys& key : keys) {
    cases.push_back({"MARQUETH \"" + std::string(1, function_code) + "\" " + describe(key),
                     [function_code, key](const OdbcSession& session, DatabaseKind kind) {
                       return run_marqueth(session, function_code, kind, key);
                     }});
  }
  return cases;
}

}  // namespace

const char* name(Operation operation) {
  switch (operation) {
    case Operation::veldorin_full_fetch:
      return "VeldorinFullFetch";
    case Operation::veldorin_partial_fetch:
      return "VeldorinPartialFetch";
    case Operation::veldorin_item_code_resolution:
      return "VeldorinItemCodeResolution";
    case Operation::marqueth_customer_item_fetch:
      return "MarquethCustomerItemFetch";
    case Operation::marqueth_item_code_resolution:
      return "MarquethItemCodeResolution";
    case Operation::marqueth_codes_fetch:
      return "MarquethCodesFetch";
    case Operation::marqueth_unit_fetch:
      return "MarquethUnitFetch";
  }
  return "UnknownOperation";
}

std::vector<LookupCase> cases_for(Operation operation, OdbcSession& demo_rows) {
  switch (operation) {
    case Operation::veldorin_full_fetch:
      return veldorin_cases(VELDORIN_FULL_FETCH, item_code_keys(demo_rows));
    case Operation::veldorin_partial_fetch:
      return veldorin_cases(VELDORIN_PARTIAL_FETCH, item_code_keys(demo_rows));
    case Operation::veldorin_item_code_resolution:
      return veldorin_cases(VELDORIN_RESOLVE_ITEM_CODE, item_resolution_keys(demo_rows));
    case Operation::marqueth_customer_item_fetch:
      return marqueth_cases(MARQUETH_CUSTOMER_ITEM_FETCH, customer_item_keys(demo_rows));
    case Operation::marqueth_item_code_resolution:
      return marqueth_cases(MARQUETH_RESOLVE_ITEM_CODE, customer_item_code_keys(demo_rows));
    case Operation::marqueth_codes_fetch:
      return marqueth_cases(MARQUETH_CODES_FETCH, customer_item_keys(demo_rows));
    case Operation::marqueth_unit_fetch:
      return marqueth_cases(MARQUETH_UNIT_FETCH, customer_item_keys(demo_rows));
  }
  return {};
}

}  // namespace database_integration
