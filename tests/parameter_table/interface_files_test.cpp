// Every text that spells out a parameter list by hand agrees with the parameter tables of
// item_lookup.h, field by field: the COBOL copybooks (name, picture, handle usage), the CALL
// templates in their comments, the example COBOL host's CALLs and the header's prototypes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "table_in_c.h"

namespace {

struct ModuleTable {
  const char* module;  // "VELDORIN"
  const parameter_row* rows;
  const int* count;
  const char* function_type;  // the header's typedef of the entry point
};

void PrintTo(const ModuleTable& table, std::ostream* out) {
  *out << table.module;
}

const ModuleTable kModules[] = {
    {"VELDORIN", veldorin_rows, &veldorin_row_count, "veldorin_function"},
    {"MARQUETH", marqueth_rows, &marqueth_row_count, "marqueth_function"},
};

std::string read_file(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read " + path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// function_code of VELDORIN is VELDORIN-FUNCTION-CODE in COBOL.
std::string cobol_name(const ModuleTable& table, const char* name) {
  std::string cobol = std::string(table.module) + "-" + name;
  std::transform(cobol.begin(), cobol.end(), cobol.begin(), [](unsigned char c) {
    return static_cast<char>(c == '_' ? '-' : std::toupper(c));
  });
  return cobol;
}

std::vector<std::string> table_names(const ModuleTable& table, bool in_cobol) {
  std::vector<std::string> names;
  for (int i = 0; i < *table.count; ++i) {
    names.push_back(in_cobol ? cobol_name(table, table.rows[i].name) : table.rows[i].name);
  }
  return names;
}

// A field as the table describes it, and as a copybook declares it.
struct FieldShape {
  std::string name;
  item_lookup_field_kind kind;
  int size;
  int decimals;
  bool operator==(const FieldShape&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FieldShape& field) {
  static const char* const kKinds[] = {"text", "digits", "handle"};
  return out << field.name << " " << kKinds[field.kind] << " " << field.size << "."
             << field.decimals;
}

// "X(16)", "9(10)V99", "9(8)V9(7)", "9(4)": symbols, each repeated by an optional (n).
bool read_picture(const std::string& picture, FieldShape& field) {
  int text = 0, integer = 0, decimals = 0;
  bool after_point = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char symbol = static_cast<char>(std::toupper(static_cast<unsigned char>(picture[i])));
    int repeat = 1;
    if (i + 1 < picture.size() && picture[i + 1] == '(') {
      const std::size_t close = picture.find(')', i);
      if (close == std::string::npos) return false;
      repeat = std::stoi(picture.substr(i + 2, close - i - 2));
      i = close;
    }
    if (symbol == 'X') {
      text += repeat;
    } else if (symbol == '9') {
      (after_point ? decimals : integer) += repeat;
    } else if (symbol == 'V' && !after_point) {
      after_point = true;
    } else {
      return false;
    }
  }
  if ((text > 0) == (integer + decimals > 0)) return false;
  field.kind = text > 0 ? LOOKUP_TEXT : LOOKUP_DIGITS;
  field.size = text > 0 ? text : integer + decimals;
  field.decimals = decimals;
  return true;
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The level-01 items of a copybook, in order; an item the reader cannot make out keeps its
// declaration as its name, so the comparison shows it.
std::vector<FieldShape> copybook_fields(const std::string& copybook) {
  std::vector<FieldShape> fields;
  std::istringstream lines(copybook);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> item = words(line);
    if (item.size() < 3 || item[0] != "01") continue;
    if (item.back().ends_with('.')) item.back().pop_back();
    FieldShape field{item[1], LOOKUP_HANDLE, 0, 0};
    const bool pointer = item.size() == 4 && item[2] == "USAGE" && item[3] == "POINTER";
    const bool picture = item.size() == 4 && item[2] == "PIC" && read_picture(item[3], field);
    fields.push_back(pointer || picture ? field : FieldShape{line, LOOKUP_TEXT, -1, -1});
  }
  return fields;
}

// The names after CALL "<module>" USING, up to `end`, that belong to the module.
std::vector<std::string> call_arguments(const std::string& text, const std::string& module,
                                        const std::string& end) {
  const std::string call = "CALL \"" + module + "\" USING";
  const std::size_t start = text.find(call);
  if (start == std::string::npos) return {"(no " + call + ")"};
  std::vector<std::string> names;
  for (std::string word : words(text.substr(start + call.size(), text.find(end, start) - start))) {
    while (!word.empty() && !std::isalnum(static_cast<unsigned char>(word.back()))) word.pop_back();
    if (word.starts_with(module + "-")) names.push_back(word);
  }
  return names;
}

class ParameterTable : public testing::TestWithParam<ModuleTable> {
 protected:
  const ModuleTable& table() const { return GetParam(); }
  std::string copybook() const {
    return read_file(std::string(COPYBOOK_DIR) + "/" + table().module + ".cpy");
  }
};

TEST_P(ParameterTable, CopybookDeclaresEachParameterInOrderWithItsPictureOrPointer) {
  std::vector<FieldShape> expected;
  for (int i = 0; i < *table().count; ++i) {
    const parameter_row& row = table().rows[i];
    expected.push_back({cobol_name(table(), row.name), row.kind, row.size, row.decimals});
  }
  EXPECT_EQ(copybook_fields(copybook()), expected);
}

TEST_P(ParameterTable, CopybookCallTemplateListsTheParametersInOrder) {
  EXPECT_EQ(call_arguments(copybook(), table().module, "All "), table_names(table(), true));
}

TEST_P(ParameterTable, ExampleCobolHostPassesTheParametersInOrder) {
  EXPECT_EQ(call_arguments(read_file(EXAMPLE_COBOL_HOST), table().module, "RETURNING"),
            table_names(table(), true));
}

TEST_P(ParameterTable, HeaderPrototypeNamesTheParametersInOrder) {
  const std::string header = read_file(C_HEADER);
  const std::string opening = std::string("typedef int ") + table().function_type + "(";
  const std::size_t start = header.find(opening);
  ASSERT_NE(start, std::string::npos) << opening;
  std::istringstream list(
      header.substr(start + opening.size(), header.find(");", start) - start - opening.size()));
  // "void* function_code, void* item_code, ...": the last word of each is its name.
  std::vector<std::string> names;
  for (std::string parameter; std::getline(list, parameter, ',');) {
    names.push_back(words(parameter).back());
  }
  EXPECT_EQ(names, table_names(table(), false));
}

INSTANTIATE_TEST_SUITE_P(EachModule, ParameterTable, testing::ValuesIn(kModules),
                         [](const testing::TestParamInfo<ModuleTable>& info) {
                           return std::string(info.param.module);
                         });

}  // namespace
