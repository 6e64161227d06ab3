// Findings "trailing spaces" and "letter case": a key the modules send at its field width finds
// its stored row, and a key differing only in letter case finds no other row.
#include <algorithm>
#include <cctype>
#include <optional>
#include <span>

#include "check/check_findings.hpp"
#include "connection/statement_error.hpp"
#include "item_lookup.h"

namespace itemlookup {

namespace {

// The columns a lookup compares with a key, at the key's field width, and the columns a lookup
// compares beside it. The probes compare those too, with the stored row's values, so that each
// reads by an index, as the lookup does, on a table of any size.
struct KeyColumn {
  std::string_view table;
  std::string_view column;
  std::size_t width;
  std::span<const std::string_view> beside;
};
constexpr std::string_view kCustomer[] = {"AITCL_TIPO", "AITCL_CODIGO"};
constexpr KeyColumn kKeyColumns[] = {
    {"VNDADFIT", "ADFIT_COD_ITEM", VELDORIN_ITEM_CODE_WIDTH, {}},
    {"VNDADFIT", "ADFIT_COD_BARRAS", VELDORIN_BARCODE_WIDTH, {}},
    {"VNDADFIT", "ADFIT_COD_EXTERNO", VELDORIN_EXTERNAL_CODE_WIDTH, {}},
    {"VNDAITCL", "AITCL_TIPO", MARQUETH_CUSTOMER_KIND_WIDTH, {}},
    {"VNDAITCL", "AITCL_CODIGO", MARQUETH_CUSTOMER_CODE_DIGITS, std::span(kCustomer, 1)},
    {"VNDAITCL", "AITCL_COD_ITEM", MARQUETH_ITEM_CODE_WIDTH, kCustomer},
    {"VNDAITCL", "AITCL_ITEM_CLIENTE", MARQUETH_CUSTOMER_ITEM_CODE_WIDTH, kCustomer},
};

bool has_letter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isalpha(c) != 0; });
}

std::string swapped_case(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    c = static_cast<char>(std::islower(byte) ? std::toupper(byte) : std::tolower(byte));
  }
  return text;
}

// A stored key, without its trailing spaces, and the stored values of the columns beside it.
struct StoredKey {
  std::string value;
  std::vector<std::string> beside;
};

// Stored keys to test with: one shorter than its field (for the padding), one with a letter
// (for the letter case).
struct KeySamples {
  std::optional<StoredKey> shorter;
  std::optional<StoredKey> with_letter;
};

KeySamples sample_keys(const CheckContext& context, const KeyColumn& key) {
  std::string columns(key.column);
  for (std::string_view column : key.beside) columns += ", " + std::string(column);
  const std::string from =
      std::string(key.table) + " WHERE " + std::string(key.column) + " IS NOT NULL";
  KeySamples samples;
  for (const OdbcConnection::Row& row : context.connection.query_rows(
           limited_select(context.traits(), columns, from, kSampledRows), kSampledRows)) {
    StoredKey stored{trimmed(row.at(0).value_or("")), {}};
    if (!plain_key(stored.value) || stored.value.size() > key.width) continue;
    for (std::size_t i = 1; i < row.size(); ++i) stored.beside.push_back(row[i].value_or(""));
    if (!std::all_of(stored.beside.begin(), stored.beside.end(), plain_key)) continue;
    if (!samples.shorter && stored.value.size() < key.width) samples.shorter = stored;
    if (!samples.with_letter && has_letter(stored.value)) samples.with_letter = stored;
  }
  return samples;
}

// The stored keys a key given at its field width finds, beside the stored row's other values.
std::vector<std::string> found_by(const CheckContext& context, const KeyColumn& key,
                                  const std::string& value, const StoredKey& row) {
  std::string literal = value;
  literal.resize(key.width, ' ');
  std::string from =
      std::string(key.table) + " WHERE " + std::string(key.column) + " = '" + literal + "'";
  for (std::size_t i = 0; i < key.beside.size(); ++i) {
    from += " AND " + std::string(key.beside[i]) + " = '" + row.beside[i] + "'";
  }
  std::vector<std::string> found;
  for (const OdbcConnection::Row& found_row : context.connection.query_rows(
           limited_select(context.traits(), key.column, from, kSampledRows), kSampledRows)) {
    found.push_back(trimmed(found_row.at(0).value_or("")));
  }
  return found;
}

// The key columns, by table.column, each probe looked at and each it found wrong.
struct Comparisons {
  std::vector<std::string> padding_checked, padding_fails, case_checked, case_matches;
};

Comparisons compare_keys(const CheckContext& context) {
  Comparisons seen;
  auto& [padding_checked, padding_fails, case_checked, case_matches] = seen;
  for (const KeyColumn& key : kKeyColumns) {
    if (!context.readable(key.table)) continue;
    const std::string name = std::string(key.table) + "." + std::string(key.column);
    const KeySamples samples = sample_keys(context, key);
    if (samples.shorter) {
      padding_checked.push_back(name);
      const std::string& stored = samples.shorter->value;
      const std::vector<std::string> found = found_by(context, key, stored, *samples.shorter);
      if (std::find(found.begin(), found.end(), stored) == found.end()) {
        padding_fails.push_back(name);
      }
    }
    if (samples.with_letter) {
      case_checked.push_back(name);
      const std::string other = swapped_case(samples.with_letter->value);
      for (const std::string& found : found_by(context, key, other, *samples.with_letter)) {
        // Only a stored key that is not the swapped one itself is a wrong match.
        if (found != other) {
          case_matches.push_back(name);
          break;
        }
      }
    }
  }
  return seen;
}

}  // namespace

void check_key_comparisons(CheckContext& context) {
  CheckReport& report = context.report;
  Comparisons seen;
  try {
    seen = compare_keys(context);
  } catch (const StatementError& error) {
    report.add("key comparisons", false, "not tested: " + error.diagnostics(),
               "make the tables readable on this connection: the driver's message says what "
               "stops it");
    return;
  }
  const auto& [padding_checked, padding_fails, case_checked, case_matches] = seen;
  const std::string fix(context.traits().key_collation_fix);
  if (!padding_fails.empty()) {
    report.add(
        "trailing spaces", false,
        "a key padded with spaces to its field width finds no row in " + joined(padding_fails),
        fix);
  } else if (!padding_checked.empty()) {
    report.add(
        "trailing spaces", true,
        "a key padded with spaces to its field width finds its row in " + joined(padding_checked));
  } else if (context.readable_tables.empty()) {
    report.add("trailing spaces", false, "not tested: no table can be read",
               "see the findings above");
  } else {
    report.add("trailing spaces", false, "no stored key shorter than its field to test with",
               "load rows, then check again");
  }
  if (!case_matches.empty()) {
    report.add("letter case", false,
               "a key differing only in letter case finds another row in " + joined(case_matches),
               fix);
  } else if (!case_checked.empty()) {
    report.add("letter case", true,
               "a key differing only in letter case finds no row in " + joined(case_checked));
  } else {
    report.add("letter case", true, "not tested: no stored key holds a letter");
  }
}

}  // namespace itemlookup
