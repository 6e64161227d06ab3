// The stand-in message module and converter under the host directory's PGMS/.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "loaded_driver_manager.hpp"
#include "lookup_host.hpp"
#include "odbc_double.hpp"

namespace {

using odbc_double::ConverterWrites;
using odbc_double::Function;

class HostModule {
 public:
  explicit HostModule(const char* file)
      : library_(dlopen((lookup_host::default_host_directory() / "PGMS" / file).c_str(),
                        RTLD_NOW | RTLD_LOCAL)) {}
  ~HostModule() {
    if (library_ != nullptr) dlclose(library_);
  }
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  template <typename Entry>
  Entry entry(const char* name) const {
    return library_ ? reinterpret_cast<Entry>(dlsym(library_, name)) : nullptr;
  }

 private:
  void* library_;
};

class StandIns : public testing::Test {
 protected:
  void SetUp() override {
    odbc_double::reset();
    ASSERT_NE(solvake, nullptr);
    ASSERT_NE(tarnivel, nullptr);
  }

  // Calls the converter with `text` (padded to 18 bytes) over a value field of '?'.
  std::string converted(std::string text) {
    text.resize(18, ' ');
    std::string value(18, '?');
    last_result = tarnivel(text.data(), value.data());
    return value;
  }

  HostModule message_library{"SOLVAKE.so"};
  HostModule converter_library{"TARNIVEL.so"};
  int (*solvake)(void*, void*,
                 void*) = message_library.entry<int (*)(void*, void*, void*)>("SOLVAKE");
  int (*tarnivel)(char*, char*) = converter_library.entry<int (*)(char*, char*)>("TARNIVEL");
  int last_result = 0;
};

TEST_F(StandIns, MessageModuleRecordsTheHandlesInItsFields) {
  SQLHSTMT statement = odbc_double::statement_handle(3);
  SQLHENV environment = lookup_host::fake_environment();
  SQLHDBC connection = lookup_host::fake_connection();
  EXPECT_EQ(solvake(&statement, &environment, &connection), 1);
  const odbc_double::Call call = odbc_double::calls().at(0);
  EXPECT_EQ(call.function, Function::message_module);
  EXPECT_EQ(call.statement, statement);
  EXPECT_EQ(call.environment, environment);
  EXPECT_EQ(call.connection, connection);
  EXPECT_EQ(call.statement_field, &statement);
  EXPECT_EQ(call.environment_field, &environment);
  EXPECT_EQ(call.connection_field, &connection);
  EXPECT_EQ(call.result, 1);
}

TEST_F(StandIns, MessageModuleAnswersAsScripted) {
  odbc_double::script_message_module(odbc_double::every_occurrence, 7);
  odbc_double::script_message_module(2, 0);
  SQLHANDLE handle = nullptr;
  EXPECT_EQ(solvake(&handle, &handle, &handle), 7);
  EXPECT_EQ(solvake(&handle, &handle, &handle), 0);
  EXPECT_EQ(solvake(&handle, &handle, &handle), 7);
}

TEST_F(StandIns, ConverterConvertsLikeTheHostAndRecordsBothSides) {
  EXPECT_EQ(converted("12.34"), "000000001234000000");
  EXPECT_EQ(last_result, 0);
  const odbc_double::Call call = odbc_double::calls().at(0);
  EXPECT_EQ(call.function, Function::converter);
  EXPECT_EQ(call.text, "12.34             ");
  EXPECT_EQ(call.value_before, std::string(18, '?'));
  EXPECT_EQ(call.value_after, "000000001234000000");
  EXPECT_EQ(call.result, 0);
}

TEST_F(StandIns, ConverterCanWriteNothing) {
  odbc_double::script_converter(1, {.writes = ConverterWrites::nothing});
  EXPECT_EQ(converted("12.34"), std::string(18, '?'));
  EXPECT_EQ(last_result, 0);
  EXPECT_EQ(odbc_double::calls().at(0).value_after, std::string(18, '?'));
}

TEST_F(StandIns, ConverterCanReturnAScriptedResult) {
  odbc_double::script_converter(odbc_double::every_occurrence, {.result = 9});
  EXPECT_EQ(converted("5"), "000000000500000000");
  EXPECT_EQ(last_result, 9);
  EXPECT_EQ(odbc_double::calls().at(0).result, 9);
}

TEST_F(StandIns, HostModulesShareTheTimelineWithTheDriverManager) {
  LoadedDriverManager odbc;
  SQLHSTMT statement = odbc.executed("SELECT");
  SQLHANDLE none = nullptr;
  solvake(&statement, &none, &none);
  converted("1");
  odbc.free(statement, SQL_DROP);
  EXPECT_EQ(odbc_double::functions(),
            (std::vector<Function>{Function::alloc, Function::exec, Function::message_module,
                                   Function::converter, Function::free}));
  EXPECT_EQ(odbc_double::calls().at(2).statement, statement);
}

}  // namespace
