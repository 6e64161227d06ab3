// The keys of a case as a hand-written lookup holds them: host fields at their full width.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "lookup_cases.hpp"

namespace lookup_bench {

class KeyFields {
 public:
  explicit KeyFields(const LookupCase& lookup);
  std::span<const char* const> addresses() const { return addresses_; }

 private:
  std::vector<std::string> values_;
  std::vector<const char*> addresses_;
};

}  // namespace lookup_bench
