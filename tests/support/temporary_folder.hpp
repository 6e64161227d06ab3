// A folder of a test's own in the temporary folder ($TMPDIR, else /tmp), removed with all it
// holds when the test is done: a test run leaves nothing behind.
#pragma once

#include <filesystem>
#include <string>

namespace test_support {

class TemporaryFolder {
 public:
  // A new folder named `prefix` and six random characters; throws std::runtime_error when it
  // cannot be made.
  explicit TemporaryFolder(const std::string& prefix = "item-lookup-test-");
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace test_support
