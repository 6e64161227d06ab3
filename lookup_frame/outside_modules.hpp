// Calls into the host's message module and numeric text converter.
#pragma once

#include "lookup_call.hpp"

namespace lookup_frame {

// Hands the statement, environment and connection handle fields to the message module; its
// result becomes the return code.
void report(const LookupCall& call);

// Runs the converter over the conversion text field into the conversion value field.
void call_converter(const LookupCall& call);

}  // namespace lookup_frame
