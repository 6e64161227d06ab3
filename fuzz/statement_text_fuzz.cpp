// Statement texts of the real module tables built from arbitrary key bytes, one after another
// into the same buffer as a loaded module does: read back as SQL, each statement says exactly
// what its template says, with every key byte inside its own literal; the NUL follows the text
// and nothing is written outside the buffer.
//
// "Read back as SQL" means standard literals: a doubled apostrophe is one apostrophe and every
// other byte, a backslash included, stands for itself. The promise holds only on a session that
// reads literals so (PostgreSQL's standard_conforming_strings on, MariaDB's and MySQL's sql_mode
// NO_BACKSLASH_ESCAPES); where a backslash escapes, a key can still end its literal.
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "byte_reader.hpp"
#include "customer_item_operations.hpp"
#include "fuzz_check.hpp"
#include "item_data_operations.hpp"
#include "sql_literals.hpp"
#include "statement_text.hpp"
#include "working_record.hpp"

namespace {

using lookup_frame::Statement;
using lookup_frame::TextPiece;

// Both modules' statements, in table order.
std::vector<const Statement*> all_statements() {
  std::vector<const Statement*> statements;
  for (const lookup_frame::ModuleLayout* module :
       {&item_data_lookup::kModule, &customer_item_lookup::kModule}) {
    for (const lookup_frame::Operation& operation : module->operations) {
      for (const Statement& statement : operation.statements) statements.push_back(&statement);
    }
  }
  return statements;
}

// The template read as SQL with every key replaced by a literal of its own (apostrophe-free)
// placeholder, and the key bytes the placeholders stand for.
struct Expected {
  fuzzing::SqlReading reading;
  std::vector<std::string> keys;
};

Expected expected_reading(std::span<const TextPiece> pieces, std::span<void* const> parameters) {
  std::string text;
  std::vector<std::string> keys;
  for (const TextPiece& piece : pieces) {
    if (piece.key_width == 0) {
      text += piece.literal;
      continue;
    }
    text += "\x01" + std::to_string(keys.size());
    keys.emplace_back(static_cast<const char*>(parameters[piece.key_parameter]), piece.key_width);
  }
  const std::optional<fuzzing::SqlReading> reading = fuzzing::read_sql(text);
  fuzzing::require(reading.has_value(), "templates close every literal", text);
  return {*reading, keys};
}

// Each literal of the template either holds one key placeholder, which the statement must
// replace by exactly the key's bytes, or is constant text the statement must repeat.
void compare(const Expected& expected, const fuzzing::SqlReading& actual, const std::string& text) {
  fuzzing::require(actual.outside == expected.reading.outside,
                   "outside its literals the statement is its template", fuzzing::shown(text));
  fuzzing::require(actual.literals.size() == expected.reading.literals.size(),
                   "no key opens or closes a literal", fuzzing::shown(text));
  for (std::size_t i = 0; i < actual.literals.size(); ++i) {
    const std::string& placeholder = expected.reading.literals[i];
    std::string want = placeholder;
    if (placeholder.size() > 1 && placeholder[0] == '\x01') {
      want = expected.keys.at(std::stoul(placeholder.substr(1)));
    }
    fuzzing::require(actual.literals[i] == want, "each literal holds exactly its key's bytes",
                     fuzzing::shown(text) + "\nliteral " + fuzzing::shown(actual.literals[i]) +
                         "\nkey     " + fuzzing::shown(want));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<const Statement*> statements = all_statements();
  fuzzing::ByteReader in(data, size);

  // The module's buffer as it stands after load: spaces only. On the heap, exactly its size.
  std::vector<char> buffer(lookup_frame::kStatementBufferSize, ' ');
  // Wider than any key field; a statement reads only its keys' widths.
  std::array<std::array<char, 64>, 17> fields{};
  std::array<void*, 17> parameters{};
  for (std::size_t i = 0; i < fields.size(); ++i) parameters[i] = fields[i].data();

  std::size_t extent = 0;
  const std::size_t rounds = 1 + in.below(4);
  for (std::size_t round = 0; round < rounds; ++round) {
    const Statement& statement = *statements[in.below(statements.size())];
    for (std::array<char, 64>& field : fields) {
      const std::string bytes = in.bytes(field.size());
      std::memcpy(field.data(), bytes.data(), field.size());
    }
    const std::size_t length = lookup_frame::write_statement_text(
        buffer.data(), buffer.size(), extent, statement.text, parameters);
    fuzzing::require(length < buffer.size() && buffer[length] == '\0',
                     "the text ends in a NUL inside the buffer");
    const std::string text(buffer.data(), length);
    const Expected expected = expected_reading(statement.text, parameters);
    const std::optional<fuzzing::SqlReading> actual = fuzzing::read_sql(text);
    fuzzing::require(actual.has_value(), "every literal is closed", fuzzing::shown(text));
    compare(expected, *actual, text);

    static const std::vector<char> spaces(lookup_frame::kStatementBufferSize, ' ');
    fuzzing::require(
        std::memcmp(buffer.data() + length + 1, spaces.data(), buffer.size() - length - 1) == 0,
        "spaces follow the NUL to the end of the buffer", fuzzing::shown(text));
  }
  return 0;
}
