// Loads the built TARNIVEL module the way a lookup does and checks that its entry converts.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conversion_run.hpp"
#include "item_lookup.h"

namespace {

using TarnivelEntry = int (*)(char* text, char* value);

class TarnivelModule : public testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen(TARNIVEL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
    entry_ = reinterpret_cast<TarnivelEntry>(dlsym(module_, "TARNIVEL"));
    ASSERT_NE(entry_, nullptr) << dlerror();
    take_ = reinterpret_cast<tarnivel_take_entry>(dlsym(module_, "TARNIVEL_TAKE"));
    ASSERT_NE(take_, nullptr) << dlerror();
    take_(nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
  }

  Conversion convert(std::string_view text) {
    return run_conversion([this](char* field, char* value) { return entry_(field, value); }, text);
  }

  void* module_ = nullptr;
  TarnivelEntry entry_ = nullptr;
  tarnivel_take_entry take_ = nullptr;
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

// The host reads back each conversion since it last asked, with what it lost.
TEST_F(TarnivelModule, HostTakesTheConversionsSinceItLastAsked) {
  struct Case {
    const char* text;
    const char* value;
    int not_a_number, lost_integer_digits, dropped_sign;
  };
  const Case cases[] = {
      {"12.34", "000000001234000000", 0, 0, 0},
      {"-12.5", "000000001250000000", 0, 0, 1},
      {"-0.000", "000000000000000000", 0, 0, 0},
      {"12345678901.5", "234567890150000000", 0, 1, 0},
      {"-98765432101", "876543210100000000", 0, 1, 1},
      {"abc", "000000000000000000", 1, 0, 0},
  };
  for (const Case& c : cases) convert(c.text);
  tarnivel_conversions taken;
  std::memset(&taken, '#', sizeof taken);
  ASSERT_EQ(take_(&taken), 6);
  ASSERT_EQ(taken.kept, 6);
  for (int i = 0; i < 6; ++i) {
    const Case& c = cases[i];
    const tarnivel_conversion& noted = taken.conversions[i];
    EXPECT_EQ(noted.text, (std::string(c.text) + std::string(18, ' ')).substr(0, 18)) << c.text;
    EXPECT_STREQ(noted.value, c.value) << c.text;
    EXPECT_EQ(noted.not_a_number, c.not_a_number) << c.text;
    EXPECT_EQ(noted.lost_integer_digits, c.lost_integer_digits) << c.text;
    EXPECT_EQ(noted.dropped_sign, c.dropped_sign) << c.text;
  }
  EXPECT_EQ(take_(&taken), 0);
  EXPECT_EQ(taken.kept, 0);

  for (int i = 0; i < TARNIVEL_CONVERSIONS_KEPT + 3; ++i) convert(std::to_string(i));
  EXPECT_EQ(take_(&taken), TARNIVEL_CONVERSIONS_KEPT + 3);
  EXPECT_EQ(taken.kept, TARNIVEL_CONVERSIONS_KEPT);
  EXPECT_EQ(taken.conversions[0].text[0], '3');
}

TEST_F(TarnivelModule, KeepsTheConverterItselfPrivate) {
  EXPECT_EQ(dlsym(module_, "_ZN12host_modules20convert_numeric_textEPKcPc"), nullptr);
}

}  // namespace
