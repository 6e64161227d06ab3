// A host directory without PGMS/, or with only one of its modules: no crash, the documented
// outcome, and the lookup works on the next call once the modules are back. A module loaded by
// path finds the host modules beside its own file when the host's directory has none, and the
// host's own PGMS/ still comes first, whether it loads the module through a symlink or by a
// relative path and changes its directory afterwards.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "lookup_host.hpp"
#include "odbc_double.hpp"
#include "temporary_folder.hpp"

namespace {

namespace fs = std::filesystem;
using lookup_host::put;
using lookup_host::text;
using lookup_host::VeldorinFields;
using F = odbc_double::Function;

class MissingHostModules : public testing::Test {
 protected:
  void SetUp() override {
    odbc_double::reset();
    fs::create_directories(host / "PGMS");
    fs::create_directories(lone_folder);
    fs::copy_file(VeldorinFields::module_path(), lone_module());
  }

  void put_back(const char* file) {
    fs::copy_file(lookup_host::default_host_directory() / "PGMS" / file, host / "PGMS" / file);
  }

  // A copy of the module with no PGMS/ beside it: the host's directory is the only place left.
  fs::path lone_module() const { return lone_folder / "VELDORIN.so"; }

  // A copy of the module and of the build's converter in PGMS/ beside it, in a folder whose path
  // with its slash is `folder_with_slash` bytes long.
  fs::path module_in_folder_of_length(std::size_t folder_with_slash) const {
    fs::path folder = scratch / std::to_string(folder_with_slash);
    while (folder.string().size() + 1 < folder_with_slash) {
      const std::size_t to_add = folder_with_slash - 1 - folder.string().size();  // with a slash
      folder /= std::string(to_add - 1 <= 200 ? to_add - 1 : 150, 'd');
    }
    fs::create_directories(folder / "PGMS");
    fs::copy_file(lone_module(), folder / "VELDORIN.so");
    // Through the folder itself: the converter's own path may be longer than PATH_MAX.
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    fs::copy_file(built_converter(), "PGMS/TARNIVEL.so");
    fs::current_path(before);
    return folder / "VELDORIN.so";
  }

  static fs::path built_converter() {
    return VeldorinFields::module_path().parent_path() / "PGMS/TARNIVEL.so";
  }

  static VeldorinFields full_fetch() {
    VeldorinFields fields;
    put(fields.function_code, "1");
    put(fields.item_code, "A1");
    put(fields.database_kind, "");
    return fields;
  }

  static void script_item_row() {
    odbc_double::script_row(odbc_double::every_occurrence, {"FAM", "EXT", "BAR", "DESC", "S", "N",
                                                            "ANV", "12.34", "5", "1.5", "2"});
  }

  const test_support::TemporaryFolder scratch_folder{"item-lookup-host-"};
  // Symlink-free, so that a folder's length is the same through either place beside the module.
  const fs::path scratch = fs::weakly_canonical(scratch_folder.path());
  const fs::path host = scratch / "host";
  const fs::path lone_folder = scratch / "modules";
};

TEST_F(MissingHostModules, MissingMessageModuleAnswersMinusOneAndTheFailedFetchFindsNoRow) {
  lookup_host::VeldorinHost veldorin(lone_module(), host);
  odbc_double::fail(F::fetch, 1);
  auto fields = full_fetch();
  const std::string caller_description = text(fields.description);
  EXPECT_EQ(veldorin.call(fields), 0);  // the drop succeeded
  EXPECT_EQ(text(fields.status), "01027");
  EXPECT_EQ(text(fields.description), caller_description);

  odbc_double::reset();
  odbc_double::script_row(1, {"F"});
  odbc_double::fail(F::free, 1);
  EXPECT_EQ(veldorin.call(fields), 65535);  // the unresolved message module's -1
  odbc_double::reset();                     // the failed drop left the double's statement open

  put_back("SOLVAKE.so");
  odbc_double::fail(F::fetch, 1);
  odbc_double::script_message_module(1, 0);
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(odbc_double::calls_of(F::message_module).size(), 1u);
  EXPECT_EQ(text(fields.status), "00000");
}

TEST_F(MissingHostModules, MissingConverterLeavesZerosAndIsFoundOnceBack) {
  lookup_host::VeldorinHost veldorin(lone_module(), host);
  script_item_row();
  auto fields = full_fetch();
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.sales_family), "FAM       ");
  EXPECT_EQ(text(fields.pmc_value) + text(fields.gross_weight), std::string(23, '0'));

  put_back("TARNIVEL.so");
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.pmc_value), "000000001234");
  EXPECT_EQ(text(fields.gross_weight), "00000002000");
  EXPECT_TRUE(odbc_double::open_statements().empty());
}

TEST_F(MissingHostModules, ConverterBesideTheModuleAnswersWhenTheHostDirectoryHasNoPgms) {
  fs::remove(host / "PGMS");
  lookup_host::VeldorinHost veldorin(VeldorinFields::module_path(), host);
  script_item_row();
  auto fields = full_fetch();
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.pmc_value), "000000001234");
  EXPECT_EQ(text(fields.pmv_value), "000000000500");
  EXPECT_EQ(text(fields.net_weight), "00000001500");
  EXPECT_EQ(text(fields.gross_weight), "00000002000");
  // The build's own converter beside the module answered, not the double's stand-in.
  EXPECT_TRUE(odbc_double::calls_of(F::converter).empty());
}

TEST_F(MissingHostModules, MessageModuleBesideTheModuleAnswersWhenTheHostDirectoryHasNoPgms) {
  fs::remove(host / "PGMS");
  lookup_host::VeldorinHost veldorin(VeldorinFields::module_path(), host);
  odbc_double::script_row(1, {"F"});
  odbc_double::fail(F::free, 1);
  auto fields = full_fetch();
  testing::internal::CaptureStderr();
  // The build's message module finds no diagnostic reader in the double and answers 1, not -1.
  EXPECT_EQ(veldorin.call(fields), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("SOLVAKE: ", 0), 0u);
  EXPECT_TRUE(odbc_double::calls_of(F::message_module).empty());
  odbc_double::reset();  // the failed drop left the double's statement open
}

// The folder of a module file, with its slash, may be as long as leaves room for
// "PGMS/TARNIVEL.so" and a NUL within PATH_MAX; one byte longer and there is no second place to
// look, as if nothing were there.
TEST_F(MissingHostModules, ConverterBesideTheModuleIsFoundUpToTheLongestPathThatFits) {
  fs::remove(host / "PGMS");
  const std::size_t longest = PATH_MAX - std::string_view("PGMS/TARNIVEL.so").size() - 1;
  for (const std::size_t folder_length : {longest, longest + 1}) {
    SCOPED_TRACE(folder_length);
    odbc_double::reset();
    lookup_host::VeldorinHost veldorin(module_in_folder_of_length(folder_length), host);
    script_item_row();
    auto fields = full_fetch();
    EXPECT_EQ(veldorin.call(fields), 0);
    EXPECT_EQ(text(fields.sales_family), "FAM       ");
    EXPECT_EQ(text(fields.pmc_value), folder_length == longest ? "000000001234" : "000000000000");
  }
}

// How a host reaches the module. Under its own folder, each case has a copy of the module in
// install/ with the build's converter in install/PGMS/; the host loads by `load_by` (relative to
// the folder, or to `load_from` when `relative`) from `load_from`, and makes its first lookup
// from `first_lookup_in`, whose PGMS/ (if any) is empty.
struct LoadWay {
  const char* name;
  std::function<void(const fs::path& folder)> lay_out;
  const char* load_by;
  bool relative;
  const char* load_from;
  const char* first_lookup_in;
  bool stand_in_answers;  // otherwise the build's converter in install/PGMS/
};

void link(const fs::path& target, const fs::path& link) {
  fs::create_directories(link.parent_path());
  fs::create_symlink(target, link);
}

TEST_F(MissingHostModules, EveryWayOfLoadingTheModuleFindsTheConverterBesideIt) {
  const LoadWay ways[] = {
      {"a symlinked module in a folder without PGMS/",
       [](const fs::path& folder) {
         link(folder / "install/VELDORIN.so", folder / "lib/VELDORIN.so");
       },
       "lib/VELDORIN.so", false, "host", "host", false},
      {"a symlinked folder, loaded by a relative path before a change of directory",
       [](const fs::path& folder) { link("../install", folder / "host/lib"); }, "lib/VELDORIN.so",
       true, "host", "work/today", false},
      {"a relative load, then a change of directory", [](const fs::path&) {},
       "../install/VELDORIN.so", true, "host", "work/today", false},
      {"a symlinked module loaded by a relative path, then a change of directory",
       [](const fs::path& folder) { link("../install/VELDORIN.so", folder / "lib/VELDORIN.so"); },
       "../lib/VELDORIN.so", true, "host", "work/today", false},
      {"a symlinked module whose link has a PGMS/ beside it: that one comes first",
       [](const fs::path& folder) {
         link(folder / "install/VELDORIN.so", folder / "lib/VELDORIN.so");
         fs::create_directories(folder / "lib/PGMS");
         fs::copy_file(lookup_host::default_host_directory() / "PGMS/TARNIVEL.so",
                       folder / "lib/PGMS/TARNIVEL.so");
       },
       "lib/VELDORIN.so", false, "host", "host", true},
  };
  int case_number = 0;
  for (const LoadWay& way : ways) {
    SCOPED_TRACE(way.name);
    odbc_double::reset();
    // A folder of its own: a fresh file, so each load runs the module's load-time code anew.
    const fs::path folder = scratch / ("way" + std::to_string(++case_number));
    for (const char* empty : {"install/PGMS", "host/PGMS", "work/today"}) {
      fs::create_directories(folder / empty);
    }
    fs::copy_file(lone_module(), folder / "install/VELDORIN.so");
    fs::copy_file(built_converter(), folder / "install/PGMS/TARNIVEL.so");
    way.lay_out(folder);

    lookup_host::VeldorinHost veldorin(way.relative ? fs::path(way.load_by) : folder / way.load_by,
                                       folder / way.load_from);
    fs::current_path(folder / way.first_lookup_in);
    script_item_row();
    auto fields = full_fetch();
    EXPECT_EQ(veldorin.call(fields), 0);
    EXPECT_EQ(text(fields.pmc_value), "000000001234");
    EXPECT_EQ(text(fields.gross_weight), "00000002000");
    EXPECT_EQ(odbc_double::calls_of(F::converter).size(), way.stand_in_answers ? 4u : 0u);
  }
}

TEST_F(MissingHostModules, HostDirectoryComesBeforeTheModulesFolder) {
  put_back("TARNIVEL.so");
  lookup_host::VeldorinHost veldorin(VeldorinFields::module_path(), host);
  script_item_row();
  auto fields = full_fetch();
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(odbc_double::calls_of(F::converter).size(), 4u);
  EXPECT_EQ(text(fields.pmc_value), "000000001234");
}

}  // namespace
