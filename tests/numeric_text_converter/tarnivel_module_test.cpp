// Loads the built TARNIVEL module the way a lookup does and checks that its entry converts.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "conversion_run.hpp"

namespace {

using TarnivelEntry = int (*)(char* text, char* value);

class TarnivelModule : public testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen(TARNIVEL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
    entry_ = reinterpret_cast<TarnivelEntry>(dlsym(module_, "TARNIVEL"));
    ASSERT_NE(entry_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
  }

  Conversion convert(std::string_view text) {
    return run_conversion([this](char* field, char* value) { return entry_(field, value); }, text);
  }

  void* module_ = nullptr;
  TarnivelEntry entry_ = nullptr;
};

TEST_F(TarnivelModule, ConvertsAnOrdinaryValue) {
  const Conversion conversion = convert("12.34");
  EXPECT_EQ(conversion.result, 0);
  EXPECT_EQ(conversion.value, "000000001234000000");
}

TEST_F(TarnivelModule, ReportsIntegerOverflow) {
  const Conversion conversion = convert("12345678901.5");
  EXPECT_EQ(conversion.result, 2);
  EXPECT_EQ(conversion.value, "234567890150000000");
}

TEST_F(TarnivelModule, RejectsText) {
  const Conversion conversion = convert("abc");
  EXPECT_EQ(conversion.result, 1);
  EXPECT_EQ(conversion.value, "000000000000000000");
}

TEST_F(TarnivelModule, HandlesExponents) {
  const Conversion conversion = convert("12345e-3");
  EXPECT_EQ(conversion.result, 0);
  EXPECT_EQ(conversion.value, "000000001234500000");
}

TEST_F(TarnivelModule, KeepsTheConverterItselfPrivate) {
  EXPECT_EQ(dlsym(module_, "_ZN12host_modules20convert_numeric_textEPKcPc"), nullptr);
}

}  // namespace
