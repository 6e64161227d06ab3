// TARNIVEL: the host's numeric text converter, called once per numeric column a lookup fetches.

#include "item_lookup.h"
#include "numeric_text_conversion.hpp"

extern "C" __attribute__((visibility("default"))) int TARNIVEL(char* text, char* value) {
  return host_modules::convert_numeric_text(text, value);
}
