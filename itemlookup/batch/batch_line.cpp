#include "batch/batch_line.hpp"

#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

bool has_unquoted_comma(std::string_view line) {
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) return true;
  }
  return false;
}

std::string_view without_blanks_around(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool is_batch_filler(std::string_view line) {
  line = without_blanks_around(line);
  return line.empty() || line.front() == '#';
}

std::vector<std::string> split_batch_line(std::string_view line) {
  line = without_blanks_around(line);
  const bool csv = has_unquoted_comma(line);
  auto is_separator = [csv](char c) { return csv ? c == ',' : is_blank(c); };

  std::vector<std::string> words;
  words.reserve(6);
  std::string word;
  bool started = false;  // the word has content or quotes
  bool quoted = false;   // inside double quotes
  bool closed = false;   // after the closing quote: only blanks may follow before a separator
  auto finish_word = [&] {
    std::string_view text = word;
    // Blanks around an unquoted CSV field are layout; a quoted field keeps what it quotes.
    if (csv && !closed) text = without_blanks_around(text);
    if (csv || started) words.emplace_back(text);
    word.clear();
    started = quoted = closed = false;
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        word += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = false;
        closed = true;
      }
    } else if (is_separator(c)) {
      finish_word();
    } else if (closed) {
      if (!is_blank(c)) throw CannotRun("text after a closing quote");
    } else if (c == '"' && without_blanks_around(word).empty()) {
      word.clear();
      started = quoted = true;
    } else {
      word += c;
      started = true;
    }
  }
  if (quoted) throw CannotRun("unterminated quote");
  finish_word();
  // Spreadsheets end rows with empty fields for columns the row does not use.
  while (csv && !words.empty() && words.back().empty()) words.pop_back();
  return words;
}

}  // namespace itemlookup
