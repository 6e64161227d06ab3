// What the host-side modules saw during one lookup, as errors and warnings of its result: the
// message module's records (an error unless its SQLSTATE is of class 01) and the conversions
// that lost integer digits or a minus sign, in the converter or in the host's field.
#pragma once

#include "item_lookup.h"
#include "lookup/lookup_result.hpp"

namespace itemlookup {

void note_reports(const solvake_records& reports, LookupResult& result);

// Matches the conversions, in order, with the command's converted outputs.
void note_conversions(const tarnivel_conversions& conversions, LookupResult& result);

// Text outputs whose bytes are no valid UTF-8 (read as UTF-8): a character cut by the field's
// width, or text in another encoding.
void note_undecodable_fields(LookupResult& result);

}  // namespace itemlookup
