// What a lookup module declares to the frame, as data: where its frame parameters stand, the
// shape of its result area and, per function code, the statements its operation runs.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "fixed_field.hpp"

namespace lookup_frame {

// One piece of a statement text: a literal, or a key parameter copied at its full width.
struct TextPiece {
  std::string_view literal;
  std::uint8_t key_parameter = 0;
  std::uint8_t key_width = 0;
};

constexpr TextPiece literal(std::string_view text) {
  return TextPiece{text, 0, 0};
}
constexpr TextPiece key(std::uint8_t parameter, std::uint8_t width) {
  return TextPiece{{}, parameter, width};
}

enum class CopyRule : std::uint8_t {
  whole,                 // the field's bytes as they stand
  right_aligned_digits,  // the run of digits, right-aligned and zero-filled
};

struct TextCopy {
  Field source;
  std::uint8_t parameter;
  CopyRule rule = CopyRule::whole;
};

// A numeric column moved through the converter into a parameter of `digits` digits, the last
// `decimals` of them decimals.
struct NumberMove {
  Field source;
  std::uint8_t parameter;
  std::uint8_t digits;
  std::uint8_t decimals;
};

// An output written on the no-row path: `width` bytes of `fill`.
struct Clear {
  std::uint8_t parameter;
  std::uint8_t width;
  char fill;
};

struct Statement {
  std::span<const TextPiece> text;
  std::span<const Field> columns;  // bound in select-list order
  std::span<const TextCopy> copies;
  std::span<const NumberMove> conversions;  // in the order the converter is called
  std::string_view not_found_status;
  std::span<const Clear> not_found_clears;
};

// The statements of one operation run in order; a later one runs only when the one before it
// found no row.
struct Operation {
  char function_code;
  std::span<const Statement> statements;
};

struct FramePositions {
  std::uint8_t function_code;
  std::uint8_t status;
  std::uint8_t database_kind;
  std::uint8_t environment;
  std::uint8_t connection;
};

struct ResultAreaLayout {
  std::uint16_t text_bytes;               // reset to spaces
  std::span<const Field> numeric_fields;  // reset to zeros, after the text fields
  std::uint16_t total_bytes;              // fields and the spare bytes behind them
};

struct ModuleLayout {
  FramePositions positions;
  std::string_view preset_status;  // empty: the status stays as the host passed it
  ResultAreaLayout result_area;
  std::span<const Operation> operations;
};

}  // namespace lookup_frame
