// The host fields of either module behind one interface, addressed by field name, and both
// modules loaded over the ODBC test double: lets a test walk the operation catalog without
// caring which module an operation belongs to.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lookup_host.hpp"
#include "operation_catalog.hpp"

namespace lookup_catalog {

class ModuleFields {
 public:
  explicit ModuleFields(Module module) : module_(module) {}

  Module module() const { return module_; }
  std::span<const lookup_host::FieldInfo> layout() const;

  // The bytes of a named field; throws std::out_of_range for a name the module does not have.
  std::span<char> field(std::string_view name);
  std::string text(std::string_view name) const;
  // Host text convention: left-justified, padded with spaces, cut to the field width.
  void put(std::string_view name, std::string_view text);
  void fill(std::string_view name, char byte);

  // Names of the fields whose bytes differ from `other`, in parameter order.
  std::vector<std::string> changed_since(const ModuleFields& other) const;

 private:
  friend class ModuleHosts;
  const char* base() const;

  Module module_;
  lookup_host::VeldorinFields veldorin_;
  lookup_host::MarquethFields marqueth_;
};

// VELDORIN and MARQUETH loaded as the host loads them, from the double's host directory.
class ModuleHosts {
 public:
  int call(ModuleFields& fields);

 private:
  lookup_host::VeldorinHost veldorin_;
  lookup_host::MarquethHost marqueth_;
};

}  // namespace lookup_catalog
