#include "double_state.hpp"

namespace odbc_double::detail {

namespace {

std::mutex& state_mutex() {
  static std::mutex mutex;
  return mutex;
}

DoubleState& shared_state() {
  static DoubleState state;
  return state;
}

}  // namespace

LockedState::LockedState() : lock_(state_mutex()), state_(shared_state()) {}

}  // namespace odbc_double::detail
