// What a step that waits for the database owes its reader, should the run end during the wait.
// Where a wait that outlasts --timeout cannot be cut (Windows: lookup_watchdog_windows.cpp), the
// run ends in the middle of it, and in order: before the process ends, the innermost LastWords
// of the moment writes the waiting step's answer with the reason (a lookup's result with its
// error, a batch line and the summary, check's findings so far), after everything written
// before it. The process then ends with exit status 2. Where waits are cut (Linux), the step
// fails as after any lost connection, and its LastWords are never said.
#pragma once

#include <string>
#include <utility>

namespace itemlookup {

class LastWordsBase {
 public:
  LastWordsBase(const LastWordsBase&) = delete;
  LastWordsBase& operator=(const LastWordsBase&) = delete;

 protected:
  LastWordsBase() = default;
  ~LastWordsBase() = default;
  // Made the innermost; and the one it covered again. Called by the holder of the words, once
  // they can be said and before they no longer can.
  void enter();
  void leave();

 private:
  friend bool say_last_words(const std::string& why);
  // Runs on the watchdog's thread while the step's own thread is held inside its wait: what the
  // step holds stays as it was, and is the writer's to read.
  virtual void say(const std::string& why) const = 0;
  LastWordsBase* outer_ = nullptr;
};

// Over a step, for as long as it lives: `write(why)` writes what the step owes. Holds the writer
// itself, so a step pays no allocation for having last words.
template <typename Write>
class LastWords final : public LastWordsBase {
 public:
  explicit LastWords(Write write) : write_(std::move(write)) { enter(); }
  ~LastWords() { leave(); }

 private:
  void say(const std::string& why) const override { write_(why); }
  Write write_;
};

// Has the innermost LastWords write, `why` being the reason the run ends; false when there is
// none. An error of the writer's (an output that cannot be written) is reported on standard
// error, not thrown.
bool say_last_words(const std::string& why);

}  // namespace itemlookup
