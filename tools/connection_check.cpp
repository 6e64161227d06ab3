#include "connection_check.hpp"

#include <algorithm>
#include <cctype>
#include <span>
#include <string_view>

#include "command_error.hpp"
#include "item_lookup.h"
#include "json_writer.hpp"
#include "lookup_request.hpp"

namespace itemlookup {

namespace {

struct TableColumns {
  std::string_view table;
  std::span<const std::string_view> columns;  // every column a lookup selects or compares
};

constexpr std::string_view kItemColumns[] = {
    "ADFIT_COD_ITEM",  "ADFIT_FAM_VENDA",  "ADFIT_COD_EXTERNO",  "ADFIT_COD_BARRAS",
    "ADFIT_DESCRICAO", "ADFIT_RASTRO_NFE", "ADFIT_DET_ESP",      "ADFIT_COD_ANVISA",
    "ADFIT_VALOR_PMC", "ADFIT_VALOR_PMV",  "ADFIT_PESO_LIQUIDO", "ADFIT_PESO_BRUTO",
};
constexpr std::string_view kCustomerItemColumns[] = {
    "AITCL_TIPO",        "AITCL_CODIGO", "AITCL_COD_ITEM",    "AITCL_ITEM_CLIENTE",
    "AITCL_UNID_MEDIDA", "AITCL_FATOR",  "AITCL_LOTE_MINIMO", "AITCL_PED_MULTIPLO",
    "AITCL_COD_BARRAS",  "AITCL_DIAS",
};
constexpr TableColumns kTables[] = {
    {"VNDADFIT", kItemColumns},
    {"VNDAITCL", kCustomerItemColumns},
};

// The columns a lookup compares with a key, at the key's field width.
struct KeyColumn {
  std::string_view table;
  std::string_view column;
  std::size_t width;
};
constexpr KeyColumn kKeyColumns[] = {
    {"VNDADFIT", "ADFIT_COD_ITEM", VELDORIN_ITEM_CODE_WIDTH},
    {"VNDADFIT", "ADFIT_COD_BARRAS", VELDORIN_BARCODE_WIDTH},
    {"VNDADFIT", "ADFIT_COD_EXTERNO", VELDORIN_EXTERNAL_CODE_WIDTH},
    {"VNDAITCL", "AITCL_TIPO", MARQUETH_CUSTOMER_KIND_WIDTH},
    {"VNDAITCL", "AITCL_CODIGO", MARQUETH_CUSTOMER_CODE_DIGITS},
    {"VNDAITCL", "AITCL_COD_ITEM", MARQUETH_ITEM_CODE_WIDTH},
    {"VNDAITCL", "AITCL_ITEM_CLIENTE", MARQUETH_CUSTOMER_ITEM_CODE_WIDTH},
};

// How many stored keys are looked at to find one to test with.
constexpr std::size_t kSampledKeys = 500;

std::string joined(std::span<const std::string> parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

std::string trimmed(std::string_view text) {
  return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
}

bool has_letter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isalpha(c) != 0; });
}

// A stored key that may go between apostrophes on any session, whatever it reads a backslash as.
bool plain_key(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return c >= 0x20 && c < 0x7f && c != '\'' && c != '\\';
  });
}

std::string swapped_case(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    c = static_cast<char>(std::islower(byte) ? std::toupper(byte) : std::tolower(byte));
  }
  return text;
}

class Checker {
 public:
  Checker(const OdbcConnection& connection, const LookupHost& host)
      : connection_(connection), host_(host) {
    report_.engine = identify_engine(connection);
  }

  CheckReport run() {
    check_literals();
    for (const TableColumns& table : kTables) check_table(table);
    check_key_comparisons();
    check_lookup("VELDORIN", "VNDADFIT", first_row("SELECT ADFIT_COD_ITEM FROM VNDADFIT"),
                 {"item"});
    check_lookup("MARQUETH", "VNDAITCL",
                 first_row("SELECT AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM FROM VNDAITCL"),
                 {"customer-item"});
    return std::move(report_);
  }

 private:
  const EngineTraits& traits() const { return *report_.engine.traits; }

  void add(std::string topic, bool ok, std::string detail, std::string fix = {}) {
    report_.findings.push_back({std::move(topic), ok, std::move(detail), ok ? "" : fix});
  }

  bool answers(const std::string& sql) const {
    try {
      connection_.query_rows(sql, 1);
      return true;
    } catch (const CommandError&) {
      return false;
    }
  }

  void check_literals() {
    if (reads_standard_literals(connection_)) {
      add("string literals", true, "standard: a backslash is an ordinary character");
    } else {
      add("string literals", false,
          "a backslash escapes the next character, so a key can end its literal early",
          std::string(traits().literals_fix));
    }
  }

  void check_table(const TableColumns& table) {
    const std::string topic = "table " + std::string(table.table);
    const std::string name(table.table);
    std::string columns;
    for (std::string_view column : table.columns) {
      columns += (columns.empty() ? "" : ",") + std::string(column);
    }
    if (answers("SELECT " + columns + " FROM " + name + " WHERE 1 = 0")) {
      add(topic, true,
          "every column the lookups read (" + std::to_string(table.columns.size()) + ")");
      present_tables_.push_back(name);
      return;
    }
    if (!answers("SELECT 1 FROM " + name + " WHERE 1 = 0")) {
      add(topic, false, "not found", "create it from the schema for this engine under db/");
      return;
    }
    std::vector<std::string> missing;
    for (std::string_view column : table.columns) {
      if (!answers("SELECT " + std::string(column) + " FROM " + name + " WHERE 1 = 0")) {
        missing.emplace_back(column);
      }
    }
    add(topic, false,
        "missing column" + std::string(missing.size() == 1 ? " " : "s ") + joined(missing),
        "add " + std::string(missing.size() == 1 ? "it" : "them") +
            " as the schema for this engine under db/ declares");
  }

  bool table_present(std::string_view table) const {
    return std::find(present_tables_.begin(), present_tables_.end(), table) !=
           present_tables_.end();
  }

  // Stored keys to test with: one shorter than its field (for the padding), one with a letter
  // (for the letter case).
  struct KeySamples {
    std::optional<std::string> shorter;
    std::optional<std::string> with_letter;
  };
  KeySamples sample_keys(const KeyColumn& key) const {
    const std::string sql = "SELECT " + std::string(key.column) + " FROM " +
                            std::string(key.table) + " WHERE " + std::string(key.column) +
                            " IS NOT NULL";
    KeySamples samples;
    for (const OdbcConnection::Row& row : connection_.query_rows(sql, kSampledKeys)) {
      const std::string value = trimmed(row.at(0).value_or(""));
      if (!plain_key(value) || value.size() > key.width) continue;
      if (!samples.shorter && value.size() < key.width) samples.shorter = value;
      if (!samples.with_letter && has_letter(value)) samples.with_letter = value;
    }
    return samples;
  }

  // The stored keys a key given at its field width finds.
  std::vector<std::string> found_by(const KeyColumn& key, const std::string& value) const {
    std::string literal = value;
    literal.resize(key.width, ' ');
    const std::string sql = "SELECT " + std::string(key.column) + " FROM " +
                            std::string(key.table) + " WHERE " + std::string(key.column) + " = '" +
                            literal + "'";
    std::vector<std::string> found;
    for (const OdbcConnection::Row& row : connection_.query_rows(sql, kSampledKeys)) {
      found.push_back(trimmed(row.at(0).value_or("")));
    }
    return found;
  }

  void check_key_comparisons() {
    std::vector<std::string> padding_checked, padding_fails, case_checked, case_matches;
    for (const KeyColumn& key : kKeyColumns) {
      if (!table_present(key.table)) continue;
      const std::string name = std::string(key.table) + "." + std::string(key.column);
      KeySamples samples;
      try {
        samples = sample_keys(key);
      } catch (const CommandError&) {
        continue;
      }
      if (samples.shorter) {
        padding_checked.push_back(name);
        const std::vector<std::string> found = found_by(key, *samples.shorter);
        if (std::find(found.begin(), found.end(), *samples.shorter) == found.end()) {
          padding_fails.push_back(name);
        }
      }
      if (samples.with_letter) {
        case_checked.push_back(name);
        const std::string other = swapped_case(*samples.with_letter);
        for (const std::string& found : found_by(key, other)) {
          // Only a stored key that is not the swapped one itself is a wrong match.
          if (found != other) {
            case_matches.push_back(name);
            break;
          }
        }
      }
    }
    const std::string fix(traits().key_collation_fix);
    if (!padding_fails.empty()) {
      add("trailing spaces", false,
          "a key padded with spaces to its field width finds no row in " + joined(padding_fails),
          fix);
    } else if (!padding_checked.empty()) {
      add("trailing spaces", true,
          "a key padded with spaces to its field width finds its row in " +
              joined(padding_checked));
    } else {
      add("trailing spaces", false, "no stored key shorter than its field to test with",
          "load rows, then check again");
    }
    if (!case_matches.empty()) {
      add("letter case", false,
          "a key differing only in letter case finds another row in " + joined(case_matches), fix);
    } else if (!case_checked.empty()) {
      add("letter case", true,
          "a key differing only in letter case finds no row in " + joined(case_checked));
    } else {
      add("letter case", true, "not tested: no stored key holds a letter");
    }
  }

  std::optional<OdbcConnection::Row> first_row(const std::string& sql) const {
    try {
      for (const OdbcConnection::Row& row : connection_.query_rows(sql, kSampledKeys)) {
        if (std::all_of(row.begin(), row.end(), [](const std::optional<std::string>& value) {
              return value && plain_key(trimmed(*value));
            })) {
          return row;
        }
      }
    } catch (const CommandError&) {
    }
    return std::nullopt;
  }

  void check_lookup(const std::string& module, std::string_view table,
                    const std::optional<OdbcConnection::Row>& row, std::vector<std::string> words) {
    const std::string topic = "lookup " + module;
    if (!table_present(table)) {
      add(topic, false, "not run: " + std::string(table) + " cannot be read",
          "see the findings above");
      return;
    }
    if (!row) {
      add(topic, false, "not run: no row to look up", "load rows, then check again");
      return;
    }
    for (const std::optional<std::string>& value : *row) words.push_back(trimmed(*value));
    std::string shown;
    for (std::size_t i = 0; i < words.size(); ++i) shown += (i == 0 ? "" : " ") + words[i];
    LookupResult result;
    try {
      result = host_.run(parse_lookup_request(words));
    } catch (const CommandError& error) {
      add(topic, false, shown + ": " + error.what(), "see the findings above");
      return;
    }
    if (result.failed()) {
      const LookupError& first = result.errors.front();
      add(topic, false, shown + ": " + first.sqlstate + " " + first.message,
          "see the findings above");
    } else if (!result.found()) {
      add(topic, false,
          shown + ": not found (status " + std::string(result.status()) +
              ") although the table holds it",
          "see the findings above");
    } else {
      add(topic, true, shown + ": found, return code " + std::to_string(result.return_code));
    }
  }

  const OdbcConnection& connection_;
  const LookupHost& host_;
  CheckReport report_;
  std::vector<std::string> present_tables_;
};

std::string engine_line(const DatabaseEngine& engine) {
  return engine.name + " " + engine.version + ", driver " + engine.driver + " " +
         engine.driver_version;
}

}  // namespace

std::size_t CheckReport::problems() const {
  return static_cast<std::size_t>(std::count_if(
      findings.begin(), findings.end(), [](const CheckFinding& finding) { return !finding.ok; }));
}

CheckReport check_connection(const OdbcConnection& connection, const LookupHost& host) {
  return Checker(connection, host).run();
}

std::string check_table(const CheckReport& report) {
  std::size_t topic_width = 0;
  for (const CheckFinding& finding : report.findings) {
    topic_width = std::max(topic_width, finding.topic.size());
  }
  std::string text = "itemlookup check: " + engine_line(report.engine) + "\n";
  for (const CheckFinding& finding : report.findings) {
    text += std::string(finding.ok ? "  ok       " : "  PROBLEM  ") + finding.topic +
            std::string(topic_width - finding.topic.size() + 2, ' ') + finding.detail + "\n";
    if (!finding.ok) text += std::string(11 + topic_width + 2, ' ') + "fix: " + finding.fix + "\n";
  }
  const std::size_t problems = report.problems();
  text += problems == 0 ? std::string("all ok\n")
                        : std::to_string(problems) + (problems == 1 ? " problem\n" : " problems\n");
  return text;
}

std::string check_json(const CheckReport& report) {
  JsonObject engine;
  engine.add_string("name", report.engine.name)
      .add_string("version", report.engine.version)
      .add_string("driver", report.engine.driver)
      .add_string("driver_version", report.engine.driver_version);
  std::string findings;
  for (const CheckFinding& finding : report.findings) {
    JsonObject object;
    object.add_string("topic", finding.topic)
        .add_bool("ok", finding.ok)
        .add_string("detail", finding.detail);
    if (!finding.ok) object.add_string("fix", finding.fix);
    findings += (findings.empty() ? "" : ",") + object.text();
  }
  JsonObject object;
  object.add_string("command", "check")
      .add_json("engine", engine.text())
      .add_json("findings", "[" + findings + "]")
      .add_bool("ok", report.problems() == 0)
      .add_number("problems", static_cast<long long>(report.problems()));
  return object.text();
}

}  // namespace itemlookup
