// Catches what is written to standard error (file descriptor 2) meanwhile, by this process and
// by the modules it loaded: the message module's reports among it.
#pragma once

#include <cstdio>
#include <string>

namespace test_support {

class StderrCapture {
 public:
  // Throws std::runtime_error when standard error cannot be redirected.
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Puts standard error back and returns what was written to it; empty once already called.
  std::string finish();

 private:
  std::FILE* file_ = nullptr;  // unnamed, so that nothing is left behind
  int saved_ = -1;
};

}  // namespace test_support
