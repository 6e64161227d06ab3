// Calls a module entry found by name (dlsym, GetProcAddress) with the addresses of the host's
// fields: an entry taking N parameters, every one the address of a field, in the C calling
// convention on every system (the one the modules' header names for Windows too).
#pragma once

#include <cstddef>
#include <span>
#include <utility>

namespace itemlookup {

template <std::size_t>
using FieldAddress = void*;

template <typename Indexes>
struct EntryOf;
template <std::size_t... I>
struct EntryOf<std::index_sequence<I...>> {
  using type = int (*)(FieldAddress<I>...);

  static int call(void* entry, std::span<void* const> parameters) {
    return reinterpret_cast<type>(entry)(parameters[I]...);
  }
};

template <std::size_t N>
using Entry = typename EntryOf<std::make_index_sequence<N>>::type;

template <std::size_t N>
int call_entry(void* entry, std::span<void* const> parameters) {
  return EntryOf<std::make_index_sequence<N>>::call(entry, parameters);
}

}  // namespace itemlookup
