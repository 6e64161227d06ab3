// The VELDORIN result area: twelve text fields without gaps, then a spare tail that catches the
// terminator behind the last column.
#pragma once

#include "fixed_field.hpp"
#include "item_lookup.h"

namespace item_data_lookup::result_area {

using lookup_frame::Field;
using lookup_frame::field_after;

inline constexpr Field cod_item{0, VELDORIN_ITEM_CODE_WIDTH};
inline constexpr Field fam_venda = field_after(cod_item, VELDORIN_SALES_FAMILY_WIDTH);
inline constexpr Field cod_externo = field_after(fam_venda, VELDORIN_EXTERNAL_CODE_WIDTH);
inline constexpr Field cod_barras = field_after(cod_externo, VELDORIN_BARCODE_WIDTH);
inline constexpr Field descricao = field_after(cod_barras, VELDORIN_DESCRIPTION_WIDTH);
inline constexpr Field rastro_nfe = field_after(descricao, VELDORIN_TRACE_FLAG_WIDTH);
inline constexpr Field det_esp = field_after(rastro_nfe, VELDORIN_DETAIL_FLAG_WIDTH);
inline constexpr Field cod_anvisa = field_after(det_esp, VELDORIN_ANVISA_CODE_WIDTH);
inline constexpr Field valor_pmc = field_after(cod_anvisa, 14);
inline constexpr Field valor_pmv = field_after(valor_pmc, 14);
inline constexpr Field peso_liquido = field_after(valor_pmv, 13);
inline constexpr Field peso_bruto = field_after(peso_liquido, 13);

inline constexpr std::uint16_t kFieldBytes = lookup_frame::end_of(peso_bruto);
inline constexpr std::uint16_t kSpareTailBytes = 5;
inline constexpr std::uint16_t kTotalBytes = kFieldBytes + kSpareTailBytes;
static_assert(kFieldBytes == 182 && kTotalBytes == 187);

}  // namespace item_data_lookup::result_area
