// The host harness, proven with a probe module that marks each parameter with its position.

#include "lookup_host.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "odbc_double.hpp"

namespace {

using lookup_host::MarquethFields;
using lookup_host::VeldorinFields;
using odbc_double::Function;

class LookupHost : public testing::Test {
 protected:
  void SetUp() override { odbc_double::reset(); }
};

TEST_F(LookupHost, VeldorinGetsEveryFieldInParameterOrder) {
  lookup_host::VeldorinHost host(PROBE_LOOKUP_MODULE);
  VeldorinFields fields;
  EXPECT_EQ(host.call(fields), 1);
  EXPECT_EQ(fields.function_code[0], 'A');
  EXPECT_EQ(fields.item_code[0], 'B');
  EXPECT_EQ(fields.description[0], 'F');
  EXPECT_EQ(fields.anvisa_code[0], 'I');
  EXPECT_EQ(fields.pmc_value[0], 'J');
  EXPECT_EQ(fields.gross_weight[0], 'M');
  EXPECT_EQ(fields.status[0], 'N');
  EXPECT_EQ(fields.database_kind[0], 'O');
  EXPECT_EQ(fields.environment_handle, lookup_host::fake_environment());
  EXPECT_EQ(fields.connection_handle, lookup_host::fake_connection());
}

TEST_F(LookupHost, MarquethGetsEveryFieldInParameterOrder) {
  lookup_host::MarquethHost host(PROBE_LOOKUP_MODULE);
  MarquethFields fields;
  EXPECT_EQ(host.call(fields), 1);
  EXPECT_EQ(fields.function_code[0], 'A');
  EXPECT_EQ(fields.customer_code[0], 'C');
  EXPECT_EQ(fields.factor[0], 'G');
  EXPECT_EQ(fields.days[0], 'K');
  EXPECT_EQ(fields.status[0], 'L');
  EXPECT_EQ(fields.database_kind[0], 'M');
}

TEST_F(LookupHost, ModuleReachesTheDoubleAndTheStandInsWithTheHostHandles) {
  lookup_host::VeldorinHost host(PROBE_LOOKUP_MODULE);
  VeldorinFields fields;
  ASSERT_EQ(host.call(fields), 1);
  EXPECT_EQ(odbc_double::functions(),
            (std::vector<Function>{Function::alloc, Function::message_module, Function::free}))
      << odbc_double::describe(odbc_double::calls());
  const std::vector<odbc_double::Call> calls = odbc_double::calls();
  EXPECT_EQ(calls[0].connection, lookup_host::fake_connection());
  EXPECT_EQ(calls[1].statement, odbc_double::statement_handle(1));
  EXPECT_EQ(calls[1].environment, lookup_host::fake_environment());
  EXPECT_EQ(calls[1].environment_field, &fields.environment_handle);
  EXPECT_EQ(calls[1].connection_field, &fields.connection_handle);
  EXPECT_TRUE(odbc_double::open_statements().empty());
}

TEST_F(LookupHost, ReloadStartsTheModuleFresh) {
  lookup_host::VeldorinHost host(PROBE_LOOKUP_MODULE);
  VeldorinFields fields;
  EXPECT_EQ(host.call(fields), 1);
  EXPECT_EQ(host.call(fields), 2);
  host.module().reload();
  EXPECT_EQ(host.call(fields), 1);
  EXPECT_TRUE(host.module().unload());
  EXPECT_THROW(host.call(fields), std::logic_error);
  host.module().load();
  EXPECT_EQ(host.call(fields), 1);
}

TEST_F(LookupHost, WorksFromTheHostDirectoryAndReturns) {
  const std::filesystem::path before = std::filesystem::current_path();
  {
    lookup_host::MarquethHost host(PROBE_LOOKUP_MODULE, std::filesystem::temp_directory_path());
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(),
                                            std::filesystem::temp_directory_path()));
    MarquethFields fields;
    // No PGMS/ there: the probe cannot reach the message module.
    EXPECT_EQ(host.call(fields), -1);
  }
  EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(LookupHost, MissingModuleOrEntryIsAnError) {
  const std::filesystem::path before = std::filesystem::current_path();
  EXPECT_THROW(lookup_host::VeldorinHost("/nonexistent/VELDORIN.so"), std::runtime_error);
  EXPECT_THROW(lookup_host::LoadedModule(PROBE_LOOKUP_MODULE, "NO_SUCH_ENTRY",
                                         lookup_host::default_host_directory()),
               std::runtime_error);
  EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(LookupHost, FreshFieldsHoldADistinctMarkPerTextField) {
  const VeldorinFields fields;
  EXPECT_TRUE(fields.changed_fields().empty());
  std::set<char> marks;
  for (const lookup_host::FieldInfo& field : VeldorinFields::layout()) {
    if (field.mark == 0) continue;
    const std::string bytes(reinterpret_cast<const char*>(&fields) + field.offset, field.width);
    EXPECT_EQ(bytes, std::string(field.width, field.mark)) << field.name;
    marks.insert(field.mark);
  }
  EXPECT_EQ(marks.size(), 15u);
  EXPECT_EQ(lookup_host::text(fields.status).size(), 5u);
}

TEST_F(LookupHost, ChangedFieldsNamesExactlyTheFieldsWritten) {
  MarquethFields fields;
  lookup_host::put(fields.unit, "KG");
  fields.connection_handle = nullptr;
  EXPECT_EQ(fields.changed_fields(), (std::vector<std::string>{"unit", "connection_handle"}));
}

TEST_F(LookupHost, ChangedSinceComparesWithACopy) {
  VeldorinFields fields;
  lookup_host::put(fields.function_code, "1");
  const VeldorinFields before = fields;
  lookup_host::put(fields.status, "00000");
  EXPECT_EQ(fields.changed_since(before), (std::vector<std::string>{"status"}));
  EXPECT_EQ(fields.changed_fields(), (std::vector<std::string>{"function_code", "status"}));
}

TEST_F(LookupHost, PutPadsTextAndNumbers) {
  MarquethFields fields;
  lookup_host::put(fields.unit, "KG");
  lookup_host::put_number(fields.customer_code, 42);
  EXPECT_EQ(lookup_host::text(fields.unit), "KG  ");
  EXPECT_EQ(lookup_host::text(fields.customer_code), "00042");
  EXPECT_THROW(lookup_host::put(fields.unit, "LITRE"), std::length_error);
  EXPECT_THROW(lookup_host::put_number(fields.customer_code, 123456), std::length_error);
}

}  // namespace
