// Catches what is written to standard error (file descriptor 2) meanwhile, the message module's
// reports among it.
#pragma once

#include <cstdio>
#include <string>

namespace database_outage {

class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Puts standard error back and returns what was written to it.
  std::string finish();

 private:
  std::FILE* file_;
  int saved_ = -1;
};

}  // namespace database_outage
