#include "stderr_capture.hpp"

#include <unistd.h>

#include <stdexcept>

namespace test_support {

StderrCapture::StderrCapture() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO)) {
  if (file_ == nullptr || saved_ < 0) {
    if (file_ != nullptr) std::fclose(file_);
    if (saved_ >= 0) close(saved_);
    throw std::runtime_error("cannot redirect standard error");
  }
  std::fflush(stderr);
  dup2(fileno(file_), STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
  finish();
}

std::string StderrCapture::finish() {
  if (file_ == nullptr) return {};
  std::fflush(stderr);
  dup2(saved_, STDERR_FILENO);
  close(saved_);
  saved_ = -1;
  std::string text;
  std::rewind(file_);
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) text.append(chunk, n);
  std::fclose(file_);
  file_ = nullptr;
  return text;
}

}  // namespace test_support
