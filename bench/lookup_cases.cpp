#include "lookup_cases.hpp"

#include "customer_item_parameters.hpp"
#include "item_data_parameters.hpp"
#include "item_lookup.h"

namespace lookup_bench {

namespace {

namespace item = item_data_lookup;
namespace customer = customer_item_lookup;

constexpr CaseKey kItemKey[] = {
    {"ADFIT_COD_ITEM", item::item_code, VELDORIN_ITEM_CODE_WIDTH, "1001"}};
constexpr CaseKey kBarcodeKey[] = {
    {"ADFIT_COD_BARRAS", item::barcode, VELDORIN_BARCODE_WIDTH, "7891000100017"}};
constexpr CaseKey kCustomerItemKeys[] = {
    {"AITCL_TIPO", customer::customer_kind, MARQUETH_CUSTOMER_KIND_WIDTH, "C"},
    {"AITCL_CODIGO", customer::customer_code, MARQUETH_CUSTOMER_CODE_DIGITS, "00042"},
    {"AITCL_COD_ITEM", customer::item_code, MARQUETH_ITEM_CODE_WIDTH, "1001"},
};
constexpr CaseKey kCustomerResolutionKeys[] = {
    {"AITCL_TIPO", customer::customer_kind, MARQUETH_CUSTOMER_KIND_WIDTH, "C"},
    {"AITCL_CODIGO", customer::customer_code, MARQUETH_CUSTOMER_CODE_DIGITS, "00042"},
    {"AITCL_ITEM_CLIENTE", customer::customer_item_code, MARQUETH_CUSTOMER_ITEM_CODE_WIDTH,
     "PARA500-CLI42"},
};

// Bound widths as the module binds them (its result area fields).
constexpr std::uint8_t kFullItemWidths[] = {10, 16, 16, 55, 1, 1, 13, 14, 14, 13, 13};
constexpr std::uint8_t kPartialItemWidths[] = {16, 16, 55, 1, 13, 14, 14};
constexpr std::uint8_t kItemCodeWidth[] = {16};
constexpr std::uint8_t kCustomerRowWidths[] = {50, 4, 17, 13, 13, 16, 4};
constexpr std::uint8_t kCustomerCodesWidths[] = {50, 16};
constexpr std::uint8_t kUnitWidths[] = {4, 17};

const LookupCase kCases[] = {
    {"VELDORIN/1", itemlookup::kItemDataModule, VELDORIN_FULL_FETCH,
     "SELECT ADFIT_FAM_VENDA,ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,"
     "ADFIT_RASTRO_NFE,ADFIT_DET_ESP,ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV,"
     "ADFIT_PESO_LIQUIDO,ADFIT_PESO_BRUTO FROM VNDADFIT WHERE ",
     kItemKey, kFullItemWidths, item::sales_family, "ANALGESICO"},
    {"VELDORIN/2", itemlookup::kItemDataModule, VELDORIN_PARTIAL_FETCH,
     "SELECT ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,ADFIT_RASTRO_NFE,"
     "ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV FROM VNDADFIT WHERE ",
     kItemKey, kPartialItemWidths, item::external_code, "EXT-1001"},
    {"VELDORIN/3", itemlookup::kItemDataModule, VELDORIN_RESOLVE_ITEM_CODE,
     "SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ", kBarcodeKey, kItemCodeWidth, item::item_code,
     "1001"},
    {"MARQUETH/1", itemlookup::kCustomerItemModule, MARQUETH_CUSTOMER_ITEM_FETCH,
     "SELECT AITCL_ITEM_CLIENTE,AITCL_UNID_MEDIDA,AITCL_FATOR,AITCL_LOTE_MINIMO,"
     "AITCL_PED_MULTIPLO,AITCL_COD_BARRAS,AITCL_DIAS FROM VNDAITCL WHERE ",
     kCustomerItemKeys, kCustomerRowWidths, customer::customer_item_code, "PARA500-CLI42"},
    {"MARQUETH/2", itemlookup::kCustomerItemModule, MARQUETH_RESOLVE_ITEM_CODE,
     "SELECT AITCL_COD_ITEM FROM VNDAITCL WHERE ", kCustomerResolutionKeys, kItemCodeWidth,
     customer::item_code, "1001"},
    {"MARQUETH/3", itemlookup::kCustomerItemModule, MARQUETH_CODES_FETCH,
     "SELECT AITCL_ITEM_CLIENTE,AITCL_COD_BARRAS FROM VNDAITCL WHERE ", kCustomerItemKeys,
     kCustomerCodesWidths, customer::customer_item_code, "PARA500-CLI42"},
    {"MARQUETH/4", itemlookup::kCustomerItemModule, MARQUETH_UNIT_FETCH,
     "SELECT AITCL_UNID_MEDIDA,AITCL_FATOR FROM VNDAITCL WHERE ", kCustomerItemKeys, kUnitWidths,
     customer::unit, "CX"},
};

}  // namespace

std::span<const LookupCase> lookup_cases() {
  return kCases;
}

std::string padded(std::string_view text, std::size_t width) {
  std::string bytes(text);
  bytes.resize(width, ' ');
  return bytes;
}

std::vector<std::string> statement_literals(const LookupCase& lookup) {
  std::vector<std::string> literals{std::string(lookup.select)};
  for (std::size_t i = 0; i < lookup.keys.size(); ++i) {
    if (i > 0) literals.back() += "' AND ";
    literals.back() += std::string(lookup.keys[i].column) + " = '";
    literals.emplace_back();
  }
  literals.back() += "'";
  return literals;
}

std::string prepared_statement_text(const LookupCase& lookup) {
  std::string text(lookup.select);
  for (std::size_t i = 0; i < lookup.keys.size(); ++i) {
    if (i > 0) text += " AND ";
    text += std::string(lookup.keys[i].column) + " = ?";
  }
  return text;
}

bool holds_checked_value(const LookupCase& lookup, std::string_view bytes) {
  if (!bytes.starts_with(lookup.checked_value)) return false;
  return bytes.find_first_not_of(' ', lookup.checked_value.size()) == std::string_view::npos;
}

}  // namespace lookup_bench
