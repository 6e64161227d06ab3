// The statements of MARQUETH's four operations, as data: text pieces, column bindings, what the
// row path copies and converts, and what the no-row path writes.
#include "customer_item_operations.hpp"

#include <array>
#include <string_view>

#include "customer_item_parameters.hpp"
#include "customer_result_area.hpp"

namespace customer_item_lookup {

namespace {

using lookup_frame::Clear;
using lookup_frame::CopyRule;
using lookup_frame::Field;
using lookup_frame::key;
using lookup_frame::literal;
using lookup_frame::NumberMove;
using lookup_frame::Statement;
using lookup_frame::TextCopy;
using lookup_frame::TextPiece;
namespace area = result_area;

constexpr NumberMove kFactorMove{area::factor_text, factor, MARQUETH_FACTOR_DIGITS,
                                 MARQUETH_FACTOR_DECIMALS};

// Every operation but "2" selects by customer kind, customer code and item code.
constexpr std::array<TextPiece, 7> by_customer_and_item(std::string_view select) {
  return {literal(select),
          key(customer_kind, MARQUETH_CUSTOMER_KIND_WIDTH),
          literal("' AND AITCL_CODIGO = '"),
          key(customer_code, MARQUETH_CUSTOMER_CODE_DIGITS),
          literal("' AND AITCL_COD_ITEM = '"),
          key(item_code, MARQUETH_ITEM_CODE_WIDTH),
          literal("'")};
}

// Function code "1": the whole cross-reference row.
constexpr auto kCustomerItemText = by_customer_and_item(
    "SELECT AITCL_ITEM_CLIENTE,AITCL_UNID_MEDIDA,AITCL_FATOR,AITCL_LOTE_MINIMO,"
    "AITCL_PED_MULTIPLO,AITCL_COD_BARRAS,AITCL_DIAS FROM VNDAITCL WHERE AITCL_TIPO = '");
constexpr Field kCustomerItemColumns[] = {
    area::customer_item_code,  area::unit,    area::factor_text, area::minimum_lot_text,
    area::order_multiple_text, area::barcode, area::days,
};
constexpr TextCopy kCustomerItemCopies[] = {
    {area::customer_item_code, customer_item_code},
    {area::unit, unit},
    {area::days, days, CopyRule::right_aligned_digits},
    {area::barcode, barcode},
};
constexpr NumberMove kCustomerItemConversions[] = {
    kFactorMove,
    {area::minimum_lot_text, minimum_lot, MARQUETH_QUANTITY_DIGITS, MARQUETH_QUANTITY_DECIMALS},
    {area::order_multiple_text, order_multiple, MARQUETH_QUANTITY_DIGITS,
     MARQUETH_QUANTITY_DECIMALS},
};

// Function code "2": the item code from the customer's own item code.
constexpr TextPiece kResolutionText[] = {
    literal("SELECT AITCL_COD_ITEM FROM VNDAITCL WHERE AITCL_TIPO = '"),
    key(customer_kind, MARQUETH_CUSTOMER_KIND_WIDTH),
    literal("' AND AITCL_CODIGO = '"),
    key(customer_code, MARQUETH_CUSTOMER_CODE_DIGITS),
    literal("' AND AITCL_ITEM_CLIENTE = '"),
    key(customer_item_code, MARQUETH_CUSTOMER_ITEM_CODE_WIDTH),
    literal("'"),
};
constexpr Field kResolutionColumns[] = {area::item_code};
constexpr TextCopy kResolutionCopies[] = {{area::item_code, item_code}};

// Function code "3": the customer's item code and the barcode, both blanked when missing.
constexpr auto kCodesText = by_customer_and_item(
    "SELECT AITCL_ITEM_CLIENTE,AITCL_COD_BARRAS FROM VNDAITCL WHERE AITCL_TIPO = '");
constexpr Field kCodesColumns[] = {area::customer_item_code, area::barcode};
constexpr TextCopy kCodesCopies[] = {
    {area::customer_item_code, customer_item_code},
    {area::barcode, barcode},
};
constexpr Clear kCodesClears[] = {
    {customer_item_code, MARQUETH_CUSTOMER_ITEM_CODE_WIDTH, ' '},
    {barcode, MARQUETH_BARCODE_WIDTH, ' '},
};

// Function code "4": the unit of measure and the factor.
constexpr auto kUnitText =
    by_customer_and_item("SELECT AITCL_UNID_MEDIDA,AITCL_FATOR FROM VNDAITCL WHERE AITCL_TIPO = '");
constexpr Field kUnitColumns[] = {area::unit, area::factor_text};
constexpr TextCopy kUnitCopies[] = {{area::unit, unit}};
constexpr NumberMove kUnitConversions[] = {kFactorMove};

constexpr Statement kCustomerItemFetch[] = {{
    .text = kCustomerItemText,
    .columns = kCustomerItemColumns,
    .copies = kCustomerItemCopies,
    .conversions = kCustomerItemConversions,
    .not_found_status = kStatusNotFound,
    .not_found_clears = {},
}};
constexpr Statement kResolution[] = {{
    .text = kResolutionText,
    .columns = kResolutionColumns,
    .copies = kResolutionCopies,
    .conversions = {},
    .not_found_status = kStatusCodesNotFound,
    .not_found_clears = {},
}};
constexpr Statement kCodesFetch[] = {{
    .text = kCodesText,
    .columns = kCodesColumns,
    .copies = kCodesCopies,
    .conversions = {},
    .not_found_status = kStatusNotFound,
    .not_found_clears = kCodesClears,
}};
constexpr Statement kUnitFetch[] = {{
    .text = kUnitText,
    .columns = kUnitColumns,
    .copies = kUnitCopies,
    .conversions = kUnitConversions,
    .not_found_status = kStatusNotFound,
    .not_found_clears = {},
}};

constexpr lookup_frame::Operation kOperations[] = {
    {MARQUETH_CUSTOMER_ITEM_FETCH, kCustomerItemFetch},
    {MARQUETH_RESOLVE_ITEM_CODE, kResolution},
    {MARQUETH_CODES_FETCH, kCodesFetch},
    {MARQUETH_UNIT_FETCH, kUnitFetch},
};

}  // namespace

// The status field is the host's: MARQUETH writes it only when a row is missing.
const lookup_frame::ModuleLayout kModule{
    .positions = {.function_code = function_code,
                  .status = status,
                  .database_kind = database_kind,
                  .environment = environment_handle,
                  .connection = connection_handle},
    .preset_status = {},
    .result_area = {.text_bytes = area::kTextBytes,
                    .numeric_fields = area::kNumericFields,
                    .total_bytes = area::kTotalBytes},
    .operations = kOperations,
};

}  // namespace customer_item_lookup
