#include "connection/last_words.hpp"

#include <atomic>
#include <exception>
#include <iostream>

namespace itemlookup {

namespace {

// Set by the thread that runs the steps, read by the watchdog's while that thread is held.
std::atomic<LastWordsBase*> innermost{nullptr};

}  // namespace

void LastWordsBase::enter() {
  outer_ = innermost.load(std::memory_order_relaxed);
  innermost.store(this, std::memory_order_release);
}

void LastWordsBase::leave() {
  innermost.store(outer_, std::memory_order_release);
}

bool say_last_words(const std::string& why) {
  const LastWordsBase* words = innermost.load(std::memory_order_acquire);
  if (words == nullptr) return false;
  try {
    words->say(why);
  } catch (const std::exception& error) {
    std::cerr << "itemlookup: " << error.what() << '\n';
  }
  return true;
}

}  // namespace itemlookup
