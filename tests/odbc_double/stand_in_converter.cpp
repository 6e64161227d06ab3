// PGMS/TARNIVEL.so for tests: converts like the host's converter unless scripted otherwise, and
// records what it was handed and what it left.

#include "host_modules/numeric_text_conversion.hpp"
#include "item_lookup.h"
#include "stand_in_hooks.hpp"

extern "C" ODBC_DOUBLE_API int TARNIVEL(char* text, char* value) {
  using odbc_double::ConverterWrites;
  const odbc_double::stand_in::ConverterTurn turn =
      odbc_double::stand_in::converter_called(text, value);
  int result = 0;
  if (turn.reply.writes == ConverterWrites::converted_value) {
    result = host_modules::convert_numeric_text(text, value);
  }
  if (turn.reply.result) result = *turn.reply.result;
  odbc_double::stand_in::converter_returned(turn.record, value, result);
  return result;
}
