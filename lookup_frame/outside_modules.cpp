#include "outside_modules.hpp"

namespace lookup_frame {

using MessageModule = int (*)(void*, void*, void*);
using Converter = int (*)(char*, char*);

void report(const LookupCall& call) {
  const FramePositions& at = call.module.positions;
  call.keep(call_bound<MessageModule>(call.names.message_module, &call.record.statement,
                                      call.parameters[at.environment],
                                      call.parameters[at.connection]));
}

void call_converter(const LookupCall& call) {
  call.keep(call_bound<Converter>(call.names.converter, call.record.conversion_text,
                                  call.record.conversion_value));
}

}  // namespace lookup_frame
