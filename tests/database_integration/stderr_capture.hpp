// Catches what the message module writes to standard error while a lookup runs.
#pragma once

#include <cstdio>
#include <string>

namespace database_integration {

class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Puts standard error back and returns everything written to it meanwhile.
  std::string finish();

 private:
  std::FILE* file_ = nullptr;
  int saved_descriptor_ = -1;
};

}  // namespace database_integration
