#include "called_names.hpp"

namespace lookup_frame {

// The module holds no ODBC handle between calls, so unloading it may release what it loaded.
CalledNames::~CalledNames() {
  converter_library.release();
  message_library.release();
  driver_manager.release();
}

}  // namespace lookup_frame
