#include "report/json_writer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "lookup/host_fields.hpp"
#include "report/lookup_report.hpp"

namespace itemlookup {
namespace {

// What a byte of a value becomes on its own: plain values are read eight bytes at a time and go in
// whole, so a byte that needs escaping must be seen wherever it stands.
std::string escaped_alone(unsigned char byte) {
  if (byte == '"' || byte == '\\') return std::string{'\\', static_cast<char>(byte)};
  if (byte >= 0x20 && byte < 0x7f) return std::string(1, static_cast<char>(byte));
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
  return escaped;
}

TEST(JsonString, EscapesQuotesBackslashesAndControlBytes) {
  EXPECT_EQ(json_string("D'AGUA \"X\" \\ \t"), R"("D'AGUA \"X\" \\ \u0009")");
  // Every control byte, NUL and DEL included, and nothing else of ASCII.
  for (int byte = 0; byte < 0x80; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    EXPECT_EQ(json_string(text), "\"" + escaped_alone(static_cast<unsigned char>(byte)) + "\"")
        << "byte " << byte;
  }
}

TEST(JsonString, ValidUtf8PassesThrough) {
  EXPECT_EQ(json_string("LO\xc3\x87\xc3\x83O"), "\"LO\xc3\x87\xc3\x83O\"");
}

TEST(JsonString, OtherHighBytesReadAsLatin1) {
  // 0xC7 0x83 is no UTF-8 sequence here ("\xc7" followed by a lone continuation byte is, so the
  // lead must be followed by a non-continuation byte).
  EXPECT_EQ(json_string("LO\xc7O"), R"("LO\u00c7O")");
  EXPECT_EQ(json_string("\xff\xfe"), R"("\u00ff\u00fe")");
  EXPECT_EQ(json_string("\xed\xa0\x80"), R"("\u00ed\u00a0\u0080")");  // a surrogate
  EXPECT_EQ(json_string("\xc0\xaf"), R"("\u00c0\u00af")");            // an overlong form
}

TEST(JsonString, EveryByteAnywhereInAValueIsEscapedAsByItself) {
  for (std::size_t length = 1; length <= 20; ++length) {
    for (std::size_t at = 0; at < length; ++at) {
      for (int byte = 0; byte < 0x100; ++byte) {
        std::string value(length, 'a');
        value[at] = static_cast<char>(byte);
        const std::string expected = "\"" + std::string(at, 'a') +
                                     escaped_alone(static_cast<unsigned char>(byte)) +
                                     std::string(length - at - 1, 'a') + "\"";
        ASSERT_EQ(json_string(value), expected)
            << "byte " << byte << " at " << at << " of " << length;
        JsonObject object;
        object.add_string("k", value);
        ASSERT_EQ(object.text(), R"({"k":)" + expected + "}");
      }
    }
  }
}

// A lookup's result as the host would have kept it: the named fields set, the others blank.
LookupResult result_of(std::string_view command_name,
                       std::initializer_list<std::pair<std::string_view, std::string_view>> values,
                       bool latin1 = false) {
  const LookupCommand& command = *find_lookup_command(command_name);
  HostFields fields(command.module);
  for (const auto& [name, value] : values) {
    for (std::uint8_t p = 0; p < command.module.parameters.size(); ++p) {
      const FieldDef& field = command.module.parameters[p];
      if (field.name != name) continue;
      std::string bytes(value);
      bytes.resize(field.width, field.kind == FieldKind::digits ? '0' : ' ');
      fields.set(p, bytes);
    }
  }
  LookupResult result;
  result.start(command, latin1);
  result.offsets = fields.offsets();
  result.fields.assign(fields.values());
  return result;
}

// The fields a module writes are one block, in the layout a result keeps: a field written through
// its address is that field's bytes and no other's, and a reset gives every field its blank back
// (spaces for text, zeros for digits, null handles) whatever the call before left.
TEST(HostFields, EachFieldIsItsOwnPlaceInTheResultsLayoutAndResetsToItsBlank) {
  for (const ModuleDef* module : {&kItemDataModule, &kCustomerItemModule}) {
    HostFields fields(*module);
    std::string blanks;
    std::string marked;
    SQLHANDLE handle_mark = &fields;
    for (std::uint8_t p = 0; p < module->parameters.size(); ++p) {
      const FieldDef& field = module->parameters[p];
      void* const address = fields.addresses()[p];
      if (field.kind == FieldKind::handle) {
        EXPECT_EQ(*static_cast<SQLHANDLE*>(address), nullptr) << field.name;
        *static_cast<SQLHANDLE*>(address) = handle_mark;
        continue;
      }
      ASSERT_EQ(fields.offsets()[p], blanks.size()) << field.name;
      blanks.append(field.width, field.kind == FieldKind::digits ? '0' : ' ');
      const std::string mark(field.width, static_cast<char>('A' + p));
      std::memcpy(address, mark.data(), mark.size());
      marked += mark;
      EXPECT_EQ(fields.value(p), mark) << field.name;
    }
    EXPECT_EQ(fields.values(), marked) << module->entry_name;
    fields.reset();
    EXPECT_EQ(fields.values(), blanks) << module->entry_name;
    for (std::uint8_t p = 0; p < module->parameters.size(); ++p) {
      if (module->parameters[p].kind != FieldKind::handle) continue;
      EXPECT_EQ(*static_cast<SQLHANDLE*>(fields.addresses()[p]), nullptr);
    }
    // set() writes its field's width exactly, its neighbours as they were.
    const std::uint8_t status = module->status;
    const std::string found(module->parameters[status].width, '9');
    fields.set(status, found);
    std::string expected = blanks;
    expected.replace(fields.offsets()[status], found.size(), found);
    EXPECT_EQ(fields.values(), expected) << module->entry_name;
    // Bytes of another width, a handle in a field of bytes and a parameter the module does not
    // have are the caller's mistakes: refused, and nothing written.
    EXPECT_THROW(fields.set(status, found + "9"), std::logic_error);
    EXPECT_THROW(fields.set_handle(status, handle_mark), std::logic_error);
    const auto missing = static_cast<std::uint8_t>(module->parameters.size());
    EXPECT_THROW(fields.set(missing, found), std::logic_error);
    EXPECT_THROW(fields.value(missing), std::logic_error);
    EXPECT_EQ(fields.values(), expected) << module->entry_name;
  }
}

constexpr std::string_view kUnitHead =
    R"({"line":7,"command":"customer-unit","module":"MARQUETH","function_code":"4",)"
    R"("keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{)";

// The values of a line's fields, each as the line writes it: plain text and digits as they are,
// anything else as a person reads it, escaped.
TEST(LookupJsonLine, EachFieldValueAsItIsOrAsShown) {
  struct Case {
    const char* name;
    std::string_view unit;
    std::string_view factor;  // 9(8)V9(7): fifteen digits, or zeros when empty
    bool latin1;
    std::string_view fields;
  };
  const Case cases[] = {
      {"plain", "CX", "000000123456789", false, R"("unit":"CX","factor":12.3456789)"},
      {"blank", "", "", false, R"("unit":"","factor":0.0000000)"},
      {"quote and backslash", "\"\\", "", false, R"("unit":"\"\\","factor":0.0000000)"},
      {"control byte", "\t", "", false, R"("unit":"\u0009","factor":0.0000000)"},
      {"UTF-8", "\xc3\x87", "", false, "\"unit\":\"\xc3\x87\",\"factor\":0.0000000"},
      {"cut UTF-8", "\xc3", "", false, "\"unit\":\"\xef\xbf\xbd\",\"factor\":0.0000000"},
      {"Latin-1", "\xc7", "", true, "\"unit\":\"\xc3\x87\",\"factor\":0.0000000"},
      {"digits holding text", "UN", "00000001 234567", false,
       R"("unit":"UN","factor":"00000001 234567")"},
      {"digits holding a quote", "UN", "\"", false, R"("unit":"UN","factor":"\"00000000000000")"},
  };
  for (const Case& c : cases) {
    const LookupResult result = result_of("customer-unit",
                                          {{"customer_kind", "C"},
                                           {"customer_code", "00042"},
                                           {"item_code", "1001"},
                                           {"unit", c.unit},
                                           {"factor", c.factor},
                                           {"status", "00000"}},
                                          c.latin1);
    std::string room;
    const std::string line = std::string(kUnitHead) + std::string(c.fields) +
                             R"(},"status":"00000","meaning":"found","found":true,"return_code":0})"
                             "\n";
    EXPECT_EQ(lookup_json_line(result, 7, room), line) << c.name;
    // A command the catalog does not hold is written the same way.
    const LookupCommand own = *result.command;
    LookupResult of_own = result;
    of_own.command = &own;
    EXPECT_EQ(lookup_json(of_own, 7) + "\n", line) << c.name;
  }
}

// A field at its widest, each byte escaped to six: the line's room is made for it.
TEST(LookupJsonLine, ALineWrittenInTheRoomOfTheLast) {
  const std::string controls(55, '\x01');
  const LookupResult wide = result_of("item", {{"item_code", "1001"}, {"description", controls}});
  const LookupResult narrow = result_of("customer-unit", {{"unit", "CX"}, {"status", "00003"}});
  std::string room;
  std::string escaped;
  for (std::size_t i = 0; i < controls.size(); ++i) escaped += "\\u0001";
  EXPECT_EQ(lookup_json_line(wide, 1, room),
            R"({"line":1,"command":"item","module":"VELDORIN","function_code":"1",)"
            R"("keys":{"item_code":"1001"},"fields":{"sales_family":"","external_code":"",)"
            R"("barcode":"","description":")" +
                escaped +
                R"(","trace_flag":"","detail_flag":"","anvisa_code":"","pmc_value":0.00,)"
                R"("pmv_value":0.00,"net_weight":0.000,"gross_weight":0.000},"status":"     ",)"
                R"("meaning":"","found":false,"return_code":0})"
                "\n");
  EXPECT_EQ(lookup_json_line(narrow, 0, room),
            R"({"command":"customer-unit","module":"MARQUETH","function_code":"4",)"
            R"("keys":{"customer_kind":"","customer_code":"","item_code":""},)"
            R"("fields":{"unit":"CX","factor":0.0000000},"status":"00003",)"
            R"("meaning":"customer item not found","found":false,"return_code":0})"
            "\n");
}

TEST(JsonObject, MembersInOrder) {
  JsonObject inner;
  inner.add_string("a", "1");
  JsonObject object;
  object.add_number("line", 3).add_bool("found", false).add_json("fields", inner.text());
  EXPECT_EQ(object.text(), R"({"line":3,"found":false,"fields":{"a":"1"}})");
}

}  // namespace
}  // namespace itemlookup
