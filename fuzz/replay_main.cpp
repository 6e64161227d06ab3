// Runs a fuzz target over files instead of under libFuzzer: each argument is an input file or a
// folder of them. Builds without libFuzzer run the committed corpus and regression inputs this
// way, so every compiler and sanitizer build checks them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

void run_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        // Hidden files (a folder's placeholder) are no inputs.
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
          run_file(entry.path());
          ++runs;
        }
      }
    } else if (std::filesystem::exists(path)) {
      run_file(path);
      ++runs;
    }
  }
  std::printf("%zu inputs passed\n", runs);
  return runs > 0 ? 0 : 1;
}
