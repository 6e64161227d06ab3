// TARNIVEL: the host's numeric text converter, called once per numeric column a lookup fetches.
// TARNIVEL_TAKE hands the host the conversions made since it last asked, so a host can tell a
// value that lost digits or its sign from one that fitted.

#include <cstring>
#include <type_traits>

#include "item_lookup.h"
#include "numeric_text_conversion.hpp"
#include "recent_entries.hpp"

namespace {

using Conversions = host_modules::RecentEntries<tarnivel_conversion, TARNIVEL_CONVERSIONS_KEPT>;

// One journal per host thread: a host may run VELDORIN on one thread and MARQUETH on another, and
// each thread's TARNIVEL_TAKE answers for its own lookups. Fixed storage with nothing to destroy:
// the C library sets up a thread's copy at its first call, and neither a thread's exit nor
// unloading the module runs code of ours.
constinit thread_local Conversions conversions;
static_assert(std::is_trivially_destructible_v<Conversions>);

}  // namespace

extern "C" __attribute__((visibility("default"))) int TARNIVEL(char* text, char* value) {
  tarnivel_conversion& noted = conversions.add();
  std::memcpy(noted.text, text, TARNIVEL_TEXT_WIDTH);
  const host_modules::NumericReading reading = host_modules::read_numeric_text(text, value);
  std::memcpy(noted.value, value, TARNIVEL_VALUE_DIGITS);
  noted.not_a_number = reading.result == host_modules::kNumericTextNotANumber;
  noted.lost_integer_digits = reading.result == host_modules::kNumericTextIntegerOverflow;
  noted.dropped_sign = reading.dropped_sign;
  return reading.result;
}

extern "C" __attribute__((visibility("default"))) int TARNIVEL_TAKE(tarnivel_conversions* taken) {
  const int count = static_cast<int>(conversions.count());
  if (taken == nullptr) {
    conversions.forget();
    return count;
  }
  taken->count = count;
  taken->kept = static_cast<int>(conversions.take(taken->conversions));
  return count;
}
