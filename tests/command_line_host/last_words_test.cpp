// Last words: what the innermost waiting step writes should the run end in its wait (on Windows,
// where a wait past the bound cannot be cut).
#include "connection/last_words.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <stdexcept>
#include <string>

#include "stderr_capture.hpp"

namespace {

using itemlookup::LastWords;
using itemlookup::say_last_words;

TEST(LastWords, NoneSaidWithoutAStep) {
  EXPECT_FALSE(say_last_words("bound passed"));
}

TEST(LastWords, TheInnermostStepSaysThemAndTheOuterOneOnceItEnds) {
  std::string said;
  const LastWords run([&](const std::string& why) { said += "run: " + why + "\n"; });
  {
    const LastWords line([&](const std::string& why) { said += "line 2: " + why + "\n"; });
    EXPECT_TRUE(say_last_words("no answer in 1 s"));
  }
  EXPECT_TRUE(say_last_words("no answer in 2 s"));
  EXPECT_EQ(said, "line 2: no answer in 1 s\nrun: no answer in 2 s\n");
}

TEST(LastWords, NoneAfterTheLastStepEnds) {
  int said = 0;
  {
    const LastWords step([&](const std::string&) { ++said; });
  }
  EXPECT_FALSE(say_last_words("bound passed"));
  EXPECT_EQ(said, 0);
}

TEST(LastWords, AnOutputThatCannotBeWrittenIsReportedNotThrown) {
  const LastWords step(
      [](const std::string&) { throw std::runtime_error("cannot write the output: No space"); });
  test_support::StderrCapture capture;
  bool said = false;
  EXPECT_NO_THROW(said = say_last_words("bound passed"));
  std::cerr.flush();
  EXPECT_TRUE(said);
  EXPECT_EQ(capture.finish(), "itemlookup: cannot write the output: No space\n");
}

}  // namespace
