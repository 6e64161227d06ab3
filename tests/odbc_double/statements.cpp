#include "statements.hpp"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "fake_handle.hpp"

namespace odbc_double::detail {

namespace {

constexpr std::uintptr_t kHandleBase =
    odbc_double::fake_handle_value(0x5700'0000'0000, 0xD700'0000);
constexpr std::uintptr_t kHandleStride = 0x10;

}  // namespace

SQLHSTMT Statements::handle_for(int allocation) {
  if (allocation < 1) throw std::invalid_argument("allocations count from 1");
  return reinterpret_cast<SQLHSTMT>(kHandleBase +
                                    static_cast<std::uintptr_t>(allocation) * kHandleStride);
}

SQLHSTMT Statements::open(int allocation) {
  SQLHSTMT handle = handle_for(allocation);
  open_.insert_or_assign(allocation, std::pair{handle, Statement{}});
  return handle;
}

Statement* Statements::find(SQLHSTMT handle) {
  auto found =
      std::ranges::find_if(open_, [&](auto& entry) { return entry.second.first == handle; });
  return found == open_.end() ? nullptr : &found->second.second;
}

void Statements::drop(SQLHSTMT handle) {
  std::erase_if(open_, [&](const auto& entry) { return entry.second.first == handle; });
}

std::vector<SQLHSTMT> Statements::handles() const {
  std::vector<SQLHSTMT> handles;
  for (const auto& [allocation, entry] : open_) handles.push_back(entry.first);
  return handles;
}

}  // namespace odbc_double::detail
