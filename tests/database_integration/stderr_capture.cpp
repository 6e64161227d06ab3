#include "stderr_capture.hpp"

#include <unistd.h>

#include <stdexcept>

namespace database_integration {

StderrCapture::StderrCapture() : file_(std::tmpfile()), saved_descriptor_(dup(STDERR_FILENO)) {
  if (file_ == nullptr || saved_descriptor_ < 0) {
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
  dup2(saved_descriptor_, STDERR_FILENO);
  close(saved_descriptor_);
  std::string text;
  std::rewind(file_);
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file_)) > 0) text.append(chunk, n);
  std::fclose(file_);
  file_ = nullptr;
  return text;
}

}  // namespace database_integration
