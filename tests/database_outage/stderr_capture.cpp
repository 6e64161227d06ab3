#include "stderr_capture.hpp"

#include <unistd.h>

#include <stdexcept>

namespace database_outage {

StderrCapture::StderrCapture() : file_(std::tmpfile()) {
  if (file_ == nullptr) throw std::runtime_error("no temporary file for standard error");
  std::fflush(stderr);
  saved_ = dup(STDERR_FILENO);
  dup2(fileno(file_), STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
  finish();
  std::fclose(file_);
}

std::string StderrCapture::finish() {
  if (saved_ < 0) return {};
  std::fflush(stderr);
  dup2(saved_, STDERR_FILENO);
  close(saved_);
  saved_ = -1;
  std::string text;
  std::rewind(file_);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
    text.append(buffer, n);
  return text;
}

}  // namespace database_outage
