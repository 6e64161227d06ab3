// itemlookup's line to the host-side modules the lookups call: it loads the same PGMS/SOLVAKE.so
// and PGMS/TARNIVEL.so (the loader hands back the one copy in the process) and reads, after each
// lookup, what the message module reported and what the converter converted.
#pragma once

#include <filesystem>

#include "item_lookup.h"

namespace itemlookup {

class HostModuleChannel {
 public:
  // Loads what it can from directory/PGMS; a module that is missing just reports nothing.
  explicit HostModuleChannel(const std::filesystem::path& module_directory);
  ~HostModuleChannel();
  HostModuleChannel(const HostModuleChannel&) = delete;
  HostModuleChannel& operator=(const HostModuleChannel&) = delete;

  // The message module's own lines on standard error: itemlookup reports instead.
  void quiet_message_module();
  // Forgets what was reported or converted so far.
  void forget();
  // What was reported, or converted, since the last take; zeros when the module is missing.
  solvake_records take_reports();
  tarnivel_conversions take_conversions();

 private:
  void* message_module_ = nullptr;
  void* converter_ = nullptr;
  solvake_take_entry take_reports_ = nullptr;
  tarnivel_take_entry take_conversions_ = nullptr;
};

}  // namespace itemlookup
