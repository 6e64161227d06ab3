#include "key_fields.hpp"

namespace lookup_bench {

KeyFields::KeyFields(const LookupCase& lookup) {
  for (const CaseKey& key : lookup.keys) values_.push_back(padded_key(key));
  for (const std::string& value : values_) addresses_.push_back(value.data());
}

}  // namespace lookup_bench
