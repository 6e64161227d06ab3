#pragma once

// Finds SQLGetDiagRec in the driver manager the lookup modules use, without linking to it.

#include "diagnostic_report.hpp"

namespace host_modules {

// Null while the driver manager cannot be loaded; the next call tries again.
DiagnosticRecordReader bind_diagnostic_record_reader();

}  // namespace host_modules
