// The statements of VELDORIN's three operations, as data: text pieces, column bindings, what the
// row path copies and converts, and what the no-row path writes.
#include "item_data_operations.hpp"

#include "item_data_parameters.hpp"
#include "item_result_area.hpp"

namespace item_data_lookup {

namespace {

using lookup_frame::Clear;
using lookup_frame::Field;
using lookup_frame::key;
using lookup_frame::literal;
using lookup_frame::NumberMove;
using lookup_frame::Statement;
using lookup_frame::TextCopy;
using lookup_frame::TextPiece;
namespace area = result_area;

constexpr std::uint8_t kPriceDigits = VELDORIN_PRICE_DIGITS;
constexpr std::uint8_t kPriceDecimals = VELDORIN_PRICE_DECIMALS;
constexpr std::uint8_t kWeightDigits = VELDORIN_WEIGHT_DIGITS;
constexpr std::uint8_t kWeightDecimals = VELDORIN_WEIGHT_DECIMALS;

// Function code "1": every supplementary column of the item.
constexpr TextPiece kFullFetchText[] = {
    literal("SELECT ADFIT_FAM_VENDA,ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,"
            "ADFIT_RASTRO_NFE,ADFIT_DET_ESP,ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV,"
            "ADFIT_PESO_LIQUIDO,ADFIT_PESO_BRUTO FROM VNDADFIT WHERE ADFIT_COD_ITEM = '"),
    key(item_code, VELDORIN_ITEM_CODE_WIDTH),
    literal("'"),
};
constexpr Field kFullFetchColumns[] = {
    area::fam_venda,  area::cod_externo,  area::cod_barras, area::descricao,
    area::rastro_nfe, area::det_esp,      area::cod_anvisa, area::valor_pmc,
    area::valor_pmv,  area::peso_liquido, area::peso_bruto,
};
constexpr TextCopy kFullFetchCopies[] = {
    {area::fam_venda, sales_family}, {area::cod_externo, external_code},
    {area::cod_barras, barcode},     {area::descricao, description},
    {area::rastro_nfe, trace_flag},  {area::det_esp, detail_flag},
    {area::cod_anvisa, anvisa_code},
};
constexpr NumberMove kFullFetchConversions[] = {
    {area::valor_pmc, pmc_value, kPriceDigits, kPriceDecimals},
    {area::valor_pmv, pmv_value, kPriceDigits, kPriceDecimals},
    {area::peso_liquido, net_weight, kWeightDigits, kWeightDecimals},
    {area::peso_bruto, gross_weight, kWeightDigits, kWeightDecimals},
};

// Function code "2": a subset of the same columns; outputs are cleared when the item is missing.
constexpr TextPiece kPartialFetchText[] = {
    literal("SELECT ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,ADFIT_RASTRO_NFE,"
            "ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV FROM VNDADFIT WHERE "
            "ADFIT_COD_ITEM = '"),
    key(item_code, VELDORIN_ITEM_CODE_WIDTH),
    literal("'"),
};
constexpr Field kPartialFetchColumns[] = {
    area::cod_externo, area::cod_barras, area::descricao, area::rastro_nfe,
    area::cod_anvisa,  area::valor_pmc,  area::valor_pmv,
};
constexpr TextCopy kPartialFetchCopies[] = {
    {area::cod_externo, external_code}, {area::cod_barras, barcode},
    {area::descricao, description},     {area::rastro_nfe, trace_flag},
    {area::cod_anvisa, anvisa_code},
};
constexpr NumberMove kPartialFetchConversions[] = {
    {area::valor_pmc, pmc_value, kPriceDigits, kPriceDecimals},
    {area::valor_pmv, pmv_value, kPriceDigits, kPriceDecimals},
};
constexpr Clear kPartialFetchClears[] = {
    {external_code, VELDORIN_EXTERNAL_CODE_WIDTH, ' '},
    {barcode, VELDORIN_BARCODE_WIDTH, ' '},
    {description, VELDORIN_DESCRIPTION_WIDTH, ' '},
    {trace_flag, VELDORIN_TRACE_FLAG_WIDTH, ' '},
    {anvisa_code, VELDORIN_ANVISA_CODE_WIDTH, ' '},
    {pmc_value, kPriceDigits, '0'},
    {pmv_value, kPriceDigits, '0'},
};

// Function code "3": the item code by barcode, failing that by external code.
constexpr TextPiece kByBarcodeText[] = {
    literal("SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ADFIT_COD_BARRAS = '"),
    key(barcode, VELDORIN_BARCODE_WIDTH),
    literal("'"),
};
constexpr TextPiece kByExternalCodeText[] = {
    literal("SELECT ADFIT_COD_ITEM FROM VNDADFIT WHERE ADFIT_COD_EXTERNO = '"),
    key(external_code, VELDORIN_EXTERNAL_CODE_WIDTH),
    literal("'"),
};
constexpr Field kItemCodeColumn[] = {area::cod_item};
constexpr TextCopy kItemCodeCopy[] = {{area::cod_item, item_code}};

constexpr Statement kFullFetch[] = {{
    .text = kFullFetchText,
    .columns = kFullFetchColumns,
    .copies = kFullFetchCopies,
    .conversions = kFullFetchConversions,
    .not_found_status = kStatusItemNotFound,
    .not_found_clears = {},
}};
constexpr Statement kPartialFetch[] = {{
    .text = kPartialFetchText,
    .columns = kPartialFetchColumns,
    .copies = kPartialFetchCopies,
    .conversions = kPartialFetchConversions,
    .not_found_status = kStatusItemNotFound,
    .not_found_clears = kPartialFetchClears,
}};
constexpr Statement kResolution[] = {
    {.text = kByBarcodeText,
     .columns = kItemCodeColumn,
     .copies = kItemCodeCopy,
     .conversions = {},
     .not_found_status = kStatusCodesNotFound,
     .not_found_clears = {}},
    {.text = kByExternalCodeText,
     .columns = kItemCodeColumn,
     .copies = kItemCodeCopy,
     .conversions = {},
     .not_found_status = kStatusCodesNotFound,
     .not_found_clears = {}},
};

constexpr lookup_frame::Operation kOperations[] = {
    {VELDORIN_FULL_FETCH, kFullFetch},
    {VELDORIN_PARTIAL_FETCH, kPartialFetch},
    {VELDORIN_RESOLVE_ITEM_CODE, kResolution},
};

}  // namespace

const lookup_frame::ModuleLayout kModule{
    .positions = {.function_code = function_code,
                  .status = status,
                  .database_kind = database_kind,
                  .environment = environment_handle,
                  .connection = connection_handle},
    .preset_status = kStatusFound,
    .result_area = {.text_bytes = area::kFieldBytes,
                    .numeric_fields = {},
                    .total_bytes = area::kTotalBytes},
    .operations = kOperations,
};

}  // namespace item_data_lookup
