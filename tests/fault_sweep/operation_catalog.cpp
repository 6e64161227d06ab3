#include "operation_catalog.hpp"

#include "item_lookup.h"

namespace lookup_catalog {

namespace {

using R = OutputRule;

// VELDORIN "1": every supplementary column of an item.
constexpr Column kItemFull[] = {
    {"sales_family", 10, R::text, "FAM-1", "FAM-1     "},
    {"external_code", 16, R::text, "EXT-1", "EXT-1           "},
    {"barcode", 16, R::text, "7891000100017", "7891000100017   "},
    {"description", 55, R::text, "PARACETAMOL D'AGUA",
     "PARACETAMOL D'AGUA                                     "},
    {"trace_flag", 1, R::text, "S", "S"},
    {"detail_flag", 1, R::text, "N", "N"},
    // As wide as its field: the driver's terminator lands on the next column's first byte.
    {"anvisa_code", 13, R::text, "1001000100011", "1001000100011"},
    {"pmc_value", 14, R::number, "12.34", "000000001234"},
    {"pmv_value", 14, R::number, "10.5", "000000001050"},
    {"net_weight", 13, R::number, "0.025", "00000000025"},
    {"gross_weight", 13, R::number, "1250.5", "00001250500"},
};

// VELDORIN "2": codes, description and prices.
constexpr Column kItemSummary[] = {
    {"external_code", 16, R::text, "EXT-2", "EXT-2           "},
    {"barcode", 16, R::text, "7891000100031", "7891000100031   "},
    {"description", 55, R::text, "SABONETE",
     "SABONETE                                               "},
    {"trace_flag", 1, R::text, "N", "N"},
    {"anvisa_code", 13, R::text, "ANV-2", "ANV-2        "},
    {"pmc_value", 14, R::number, "3.99", "000000000399"},
    {"pmv_value", 14, R::number, "3.49", "000000000349"},
};

// VELDORIN "3": the item code, by barcode and then by external code.
constexpr Column kItemCode[] = {{"item_code", 16, R::text, "1002", "1002            "}};

// MARQUETH "1": the whole cross-reference row.
constexpr Column kCustomerItem[] = {
    {"customer_item_code", 50, R::text, "CLI-ITEM-1",
     "CLI-ITEM-1                                        "},
    {"unit", 4, R::text, "CX", "CX  "},
    {"factor", 17, R::number, "12.5", "000000125000000"},
    {"minimum_lot", 13, R::number, "10", "00000010000"},
    {"order_multiple", 13, R::number, "2.5", "00000002500"},
    {"barcode", 16, R::text, "7891000100017", "7891000100017   "},
    {"days", 4, R::days, "30", "0030"},
};

// MARQUETH "2": our item code from the customer's.
constexpr Column kCustomerResolve[] = {{"item_code", 16, R::text, "1001", "1001            "}};

// MARQUETH "3": the customer's item code and the barcode.
constexpr Column kCustomerCodes[] = {
    {"customer_item_code", 50, R::text, "CLI-3",
     "CLI-3                                             "},
    {"barcode", 16, R::text, "7891000100093", "7891000100093   "},
};

// MARQUETH "4": unit of measure and factor.
constexpr Column kCustomerUnit[] = {
    {"unit", 4, R::text, "UN", "UN  "},
    {"factor", 17, R::number, "0.5", "000000005000000"},
};

constexpr StatementShape kItemFullStatements[] = {{kItemFull, VELDORIN_STATUS_ITEM_NOT_FOUND}};
constexpr StatementShape kItemSummaryStatements[] = {
    {kItemSummary, VELDORIN_STATUS_ITEM_NOT_FOUND}};
constexpr StatementShape kResolveStatements[] = {
    {kItemCode, VELDORIN_STATUS_CODES_NOT_FOUND},
    {kItemCode, VELDORIN_STATUS_CODES_NOT_FOUND},
};
constexpr StatementShape kCustomerItemStatements[] = {{kCustomerItem, MARQUETH_STATUS_NOT_FOUND}};
constexpr StatementShape kCustomerResolveStatements[] = {
    {kCustomerResolve, MARQUETH_STATUS_CODES_NOT_FOUND}};
constexpr StatementShape kCustomerCodesStatements[] = {{kCustomerCodes, MARQUETH_STATUS_NOT_FOUND}};
constexpr StatementShape kCustomerUnitStatements[] = {{kCustomerUnit, MARQUETH_STATUS_NOT_FOUND}};

constexpr Clear kItemSummaryClears[] = {
    {"external_code", ' '}, {"barcode", ' '},   {"description", ' '}, {"trace_flag", ' '},
    {"anvisa_code", ' '},   {"pmc_value", '0'}, {"pmv_value", '0'},
};
constexpr Clear kCustomerCodesClears[] = {{"customer_item_code", ' '}, {"barcode", ' '}};

constexpr std::string_view kItemKeys[] = {"item_code"};
constexpr std::string_view kResolveKeys[] = {"barcode", "external_code"};
constexpr std::string_view kCustomerKeys[] = {"customer_kind", "customer_code", "item_code"};
constexpr std::string_view kCustomerResolveKeys[] = {"customer_kind", "customer_code",
                                                     "customer_item_code"};

constexpr OperationShape kOperations[] = {
    {Module::veldorin, VELDORIN_FULL_FETCH, "item", kItemKeys, kItemFullStatements, {}},
    {Module::veldorin, VELDORIN_PARTIAL_FETCH, "item-summary", kItemKeys, kItemSummaryStatements,
     kItemSummaryClears},
    {Module::veldorin, VELDORIN_RESOLVE_ITEM_CODE, "resolve", kResolveKeys, kResolveStatements, {}},
    {Module::marqueth,
     MARQUETH_CUSTOMER_ITEM_FETCH,
     "customer-item",
     kCustomerKeys,
     kCustomerItemStatements,
     {}},
    {Module::marqueth,
     MARQUETH_RESOLVE_ITEM_CODE,
     "customer-resolve",
     kCustomerResolveKeys,
     kCustomerResolveStatements,
     {}},
    {Module::marqueth, MARQUETH_CODES_FETCH, "customer-codes", kCustomerKeys,
     kCustomerCodesStatements, kCustomerCodesClears},
    {Module::marqueth,
     MARQUETH_UNIT_FETCH,
     "customer-unit",
     kCustomerKeys,
     kCustomerUnitStatements,
     {}},
};

}  // namespace

std::span<const OperationShape> operations() {
  return kOperations;
}

const OperationShape* find_operation(Module module, char function_code) {
  for (const OperationShape& operation : kOperations) {
    if (operation.module == module && operation.function_code == function_code) return &operation;
  }
  return nullptr;
}

char blank_byte(OutputRule rule) {
  return rule == OutputRule::text ? ' ' : '0';
}

}  // namespace lookup_catalog
