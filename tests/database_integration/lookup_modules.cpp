#include "lookup_modules.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace database_integration {

namespace {

void* entry_of(const char* file, const char* entry) {
  const std::string path = std::string(ITEM_LOOKUP_LIB_DIR) + "/" + file;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) throw std::runtime_error("cannot load " + path + ": " + dlerror());
  void* address = dlsym(module, entry);
  if (address == nullptr) throw std::runtime_error(path + " does not export " + entry);
  return address;
}

void require_host_modules_in_current_directory() {
  for (const char* file : {"PGMS/SOLVAKE.so", "PGMS/TARNIVEL.so"}) {
    if (access(file, R_OK) != 0) {
      throw std::runtime_error(std::string(file) +
                               " is not found from the current directory; run the tests from "
                               "the build's lib folder (ctest does)");
    }
  }
}

LookupModules load() {
  require_host_modules_in_current_directory();
  return {reinterpret_cast<veldorin_entry>(entry_of("VELDORIN.so", "VELDORIN")),
          reinterpret_cast<marqueth_entry>(entry_of("MARQUETH.so", "MARQUETH"))};
}

}  // namespace

const LookupModules& lookup_modules() {
  static const LookupModules modules = load();
  return modules;
}

}  // namespace database_integration
