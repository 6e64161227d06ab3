#include "batch/batch_line.hpp"

#include <cstdint>
#include <cstring>

#include "errors_and_text/cannot_run.hpp"
#include "errors_and_text/short_bytes.hpp"

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

// What in a line decides how it splits.
struct LineMarks {
  bool comma = false;
  bool quote = false;
  bool tab_or_return = false;
};

// Read eight bytes at a time: a batch reads every line so.
LineMarks marks_of(std::string_view line) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  const auto holds = [](std::uint64_t word, char byte) {
    const std::uint64_t v = word ^ (kOnes * static_cast<unsigned char>(byte));
    return ((v - kOnes) & ~v & kHigh) != 0;
  };
  LineMarks marks;
  std::size_t at = 0;
  for (; at + 8 <= line.size(); at += 8) {
    const std::uint64_t word = eight_bytes_at(line.data() + at);
    marks.comma = marks.comma || holds(word, ',');
    marks.quote = marks.quote || holds(word, '"');
    marks.tab_or_return = marks.tab_or_return || holds(word, '\t') || holds(word, '\r');
  }
  for (; at < line.size(); ++at) {
    marks.comma = marks.comma || line[at] == ',';
    marks.quote = marks.quote || line[at] == '"';
    marks.tab_or_return = marks.tab_or_return || line[at] == '\t' || line[at] == '\r';
  }
  return marks;
}

// Words between single spaces or runs of them, the usual line.
void split_on_spaces(std::string_view line, std::vector<std::string>& words) {
  const char* at = line.data();
  const char* const end = at + line.size();
  while (at < end) {
    const auto* space =
        static_cast<const char*>(std::memchr(at, ' ', static_cast<std::size_t>(end - at)));
    const char* word_end = space != nullptr ? space : end;
    if (word_end != at) words.emplace_back(at, static_cast<std::size_t>(word_end - at));
    at = word_end + 1;
  }
}

// A line without quotes: its words are the text between separators. Lines of words between
// single spaces are the usual kind: the other kinds' code is kept out of their way.
[[gnu::cold]] void split_unquoted(std::string_view line, bool csv, std::vector<std::string>& words) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    const bool end = i == line.size();
    if (!end && !(csv ? line[i] == ',' : is_blank(line[i]))) continue;
    const std::string_view word = line.substr(start, i - start);
    // Blanks around a CSV field are layout, and an empty one is a field; blanks only separate.
    if (csv) {
      words.emplace_back(without_blanks_around(word));
    } else if (!word.empty()) {
      words.emplace_back(word);
    }
    start = i + 1;
  }
}

// Double quotes group a word, a doubled one inside them is one quote.
[[gnu::cold]] void split_quoted(std::string_view line, bool csv, std::vector<std::string>& words) {
  auto is_separator = [csv](char c) { return csv ? c == ',' : is_blank(c); };
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
}

}  // namespace

bool is_batch_filler(std::string_view line) {
  line = without_blanks_around(line);
  return line.empty() || line.front() == '#';
}

std::vector<std::string> split_batch_line(std::string_view line) {
  std::vector<std::string> words;
  split_batch_line(line, words);
  return words;
}

void split_batch_line(std::string_view line, std::vector<std::string>& words) {
  words.clear();
  line = without_blanks_around(line);
  const LineMarks marks = marks_of(line);
  const bool csv = marks.quote ? has_unquoted_comma(line) : marks.comma;
  if (marks.quote) {
    split_quoted(line, csv, words);
  } else if (!csv && !marks.tab_or_return) {
    split_on_spaces(line, words);
  } else {
    split_unquoted(line, csv, words);
  }
  // Spreadsheets end rows with empty fields for columns the row does not use.
  while (csv && !words.empty() && words.back().empty()) words.pop_back();
}

}  // namespace itemlookup
