// Plays the host program for tests: works from a host directory whose PGMS/ holds the stand-in
// message module and converter, loads a lookup module the way the host does and calls it with
// the addresses of a full set of host fields.
//
//   lookup_host::VeldorinHost host;               // loads build/lib/VELDORIN.so
//   lookup_host::VeldorinFields fields;           // every field preset
//   lookup_host::put(fields.function_code, "1");
//   const lookup_host::VeldorinFields before = fields;
//   EXPECT_EQ(host.call(fields), 0);
//   EXPECT_EQ(fields.changed_since(before), (std::vector<std::string>{"status"}));
#pragma once

#include <filesystem>
#include <string>
#include <tuple>

#include "host_fields.hpp"

namespace lookup_host {

// The build's host directory: PGMS/SOLVAKE.so and PGMS/TARNIVEL.so are the stand-ins.
std::filesystem::path default_host_directory();

// One module loaded as a host loads it (test_platform.hpp) and its entry point resolved. While it
// lives, the process works from the host directory; it returns to the previous one afterwards.
class LoadedModule {
 public:
  LoadedModule(std::filesystem::path module, std::string entry_name,
               const std::filesystem::path& host_directory);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  void load();  // no-op while loaded
  // Whether the module really left the process; a module that stays would not start fresh.
  [[nodiscard]] bool unload();
  // A fresh module: the next call is its first. Throws when the module stayed in the process.
  void reload();
  bool loaded() const { return handle_ != nullptr; }
  void* entry() const;

 private:
  std::filesystem::path module_;
  std::string entry_name_;
  std::filesystem::path previous_directory_;
  void* handle_ = nullptr;
  void* entry_ = nullptr;
};

template <typename Fields>
class Host {
 public:
  explicit Host(std::filesystem::path module = Fields::module_path(),
                const std::filesystem::path& host_directory = default_host_directory())
      : module_(std::move(module), Fields::entry_name, host_directory) {}

  // Passes every field's address; returns the module's result.
  int call(Fields& fields) {
    return std::apply(reinterpret_cast<typename Fields::Entry>(module_.entry()),
                      fields.addresses());
  }

  LoadedModule& module() { return module_; }

 private:
  LoadedModule module_;
};

using VeldorinHost = Host<VeldorinFields>;
using MarquethHost = Host<MarquethFields>;

}  // namespace lookup_host
