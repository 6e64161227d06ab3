// Findings "trailing spaces" and "letter case": a key the modules send at its field width finds
// its stored row, and a key differing only in letter case finds no other row.
#include <algorithm>
#include <cctype>
#include <optional>

#include "check_findings.hpp"
#include "command_error.hpp"
#include "item_lookup.h"

namespace itemlookup {

namespace {

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

// Stored keys to test with: one shorter than its field (for the padding), one with a letter
// (for the letter case).
struct KeySamples {
  std::optional<std::string> shorter;
  std::optional<std::string> with_letter;
};

KeySamples sample_keys(const OdbcConnection& connection, const KeyColumn& key) {
  const std::string sql = "SELECT " + std::string(key.column) + " FROM " + std::string(key.table) +
                          " WHERE " + std::string(key.column) + " IS NOT NULL";
  KeySamples samples;
  for (const OdbcConnection::Row& row : connection.query_rows(sql, kSampledRows)) {
    const std::string value = trimmed(row.at(0).value_or(""));
    if (!plain_key(value) || value.size() > key.width) continue;
    if (!samples.shorter && value.size() < key.width) samples.shorter = value;
    if (!samples.with_letter && has_letter(value)) samples.with_letter = value;
  }
  return samples;
}

// The stored keys a key given at its field width finds.
std::vector<std::string> found_by(const OdbcConnection& connection, const KeyColumn& key,
                                  const std::string& value) {
  std::string literal = value;
  literal.resize(key.width, ' ');
  const std::string sql = "SELECT " + std::string(key.column) + " FROM " + std::string(key.table) +
                          " WHERE " + std::string(key.column) + " = '" + literal + "'";
  std::vector<std::string> found;
  for (const OdbcConnection::Row& row : connection.query_rows(sql, kSampledRows)) {
    found.push_back(trimmed(row.at(0).value_or("")));
  }
  return found;
}

}  // namespace

void check_key_comparisons(CheckContext& context) {
  std::vector<std::string> padding_checked, padding_fails, case_checked, case_matches;
  for (const KeyColumn& key : kKeyColumns) {
    if (!context.readable(key.table)) continue;
    const std::string name = std::string(key.table) + "." + std::string(key.column);
    KeySamples samples;
    try {
      samples = sample_keys(context.connection, key);
    } catch (const CommandError&) {
      continue;
    }
    if (samples.shorter) {
      padding_checked.push_back(name);
      const std::vector<std::string> found = found_by(context.connection, key, *samples.shorter);
      if (std::find(found.begin(), found.end(), *samples.shorter) == found.end()) {
        padding_fails.push_back(name);
      }
    }
    if (samples.with_letter) {
      case_checked.push_back(name);
      const std::string other = swapped_case(*samples.with_letter);
      for (const std::string& found : found_by(context.connection, key, other)) {
        // Only a stored key that is not the swapped one itself is a wrong match.
        if (found != other) {
          case_matches.push_back(name);
          break;
        }
      }
    }
  }
  CheckReport& report = context.report;
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
