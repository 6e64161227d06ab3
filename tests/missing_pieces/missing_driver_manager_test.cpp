// A driver manager that offers none of the six ODBC functions: every call counts as failed and is
// reported, the lookup ends on its not-found path, and the host does not crash.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "host_fields.hpp"

namespace {

using lookup_host::put;
using lookup_host::text;

TEST(MissingDriverManager, EveryCallIsReportedAndNothingIsFound) {
  void* module = dlopen(VELDORIN_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto entry = reinterpret_cast<lookup_host::VeldorinFields::Entry>(dlsym(module, "VELDORIN"));

  lookup_host::VeldorinFields fields;
  put(fields.function_code, "1");
  put(fields.item_code, "A1");
  put(fields.database_kind, "");
  const std::string caller_description = text(fields.description);
  testing::internal::CaptureStderr();
  // The real message module cannot read diagnostics either and answers 1.
  EXPECT_EQ(std::apply(entry, fields.addresses()), 1);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(text(fields.status), "01027");
  EXPECT_EQ(text(fields.description), caller_description);
  // allocation, execution, eleven bindings, fetch and drop
  std::size_t lines = 0;
  for (char c : messages) lines += c == '\n';
  EXPECT_EQ(lines, 15u) << messages;
  dlclose(module);
}

}  // namespace
