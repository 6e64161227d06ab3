// itemlookup's line to the host-side modules the lookups call: it loads the same PGMS/SOLVAKE.so
// and PGMS/TARNIVEL.so (the loader hands back the one copy in the process) and reads, after each
// lookup, what the message module reported and what the converter converted.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "item_lookup.h"

namespace itemlookup {

class HostModuleChannel {
 public:
  // Loads what it can from directory/PGMS. A module that is missing, or lacks an entry (a host's
  // own older module), reports nothing; its problem says so.
  explicit HostModuleChannel(const std::filesystem::path& module_directory);
  ~HostModuleChannel();
  HostModuleChannel(const HostModuleChannel&) = delete;
  HostModuleChannel& operator=(const HostModuleChannel&) = delete;

  // Why the host cannot tell what a lookup saw, naming the file, the entry at fault and what
  // follows from it; empty when the module answers. Without the message module a database
  // error reads as a missing item; without the converter every number reads as zero.
  const std::string& message_module_problem() const { return message_module_problem_; }
  const std::string& converter_problem() const { return converter_problem_; }
  // Both, for a report of everything that is wrong; empty when both modules answer.
  std::vector<std::string> problems() const;

  // The message module's own lines on standard error: itemlookup reports instead.
  void quiet_message_module();
  // Forgets what was reported or converted so far.
  void forget();
  // What was reported, or converted, since the last take; zeros when the module is missing.
  solvake_records take_reports();
  tarnivel_conversions take_conversions();

 private:
  // Before the modules: loading them writes these.
  std::string message_module_problem_;
  std::string converter_problem_;
  void* message_module_ = nullptr;
  void* converter_ = nullptr;
  solvake_take_entry take_reports_ = nullptr;
  tarnivel_take_entry take_conversions_ = nullptr;
};

}  // namespace itemlookup
