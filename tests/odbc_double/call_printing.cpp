// Readable calls, so that a failed assertion on the timeline shows what the module did.

#include <iomanip>
#include <ostream>
#include <sstream>

#include "odbc_double.hpp"

namespace odbc_double {

namespace {

// Text as a C string literal would show it: NULs and other control bytes escaped.
struct Quoted {
  const std::string& bytes;
};

std::ostream& operator<<(std::ostream& out, Quoted quoted) {
  out << '"';
  for (const unsigned char byte : quoted.bytes) {
    if (byte == '"' || byte == '\\') {
      out << '\\' << byte;
    } else if (byte < 0x20 || byte >= 0x7f) {
      out << "\\x" << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(byte)
          << std::dec;
    } else {
      out << byte;
    }
  }
  return out << '"';
}

void print_arguments(std::ostream& out, const Call& call) {
  switch (call.function) {
    case Function::alloc:
      out << "(connection " << call.connection << ", field " << call.statement_field << ") wrote "
          << call.statement;
      return;
    case Function::set_option:
      out << '(' << call.statement << ", option " << call.option << ", " << call.option_value
          << ')';
      return;
    case Function::exec:
      out << '(' << call.statement << ", " << Quoted{call.text} << ", length " << call.text_length
          << ')';
      return;
    case Function::bind:
      out << '(' << call.statement << ", column " << call.column << ", type " << call.c_type
          << ", target " << call.target << ", length " << call.buffer_length << ", indicator "
          << call.indicator << ')';
      return;
    case Function::fetch:
      out << '(' << call.statement << ") row " << call.row
          << (call.columns_written ? " written" : " not written");
      return;
    case Function::free:
      out << '(' << call.statement << ", option " << call.option << ')';
      return;
    case Function::message_module:
      out << '(' << call.statement << ", " << call.environment << ", " << call.connection << ')';
      return;
    case Function::converter:
      out << '(' << Quoted{call.text} << ", " << Quoted{call.value_before} << ") wrote "
          << Quoted{call.value_after};
      return;
    case Function::connect:
      out << '(' << Quoted{call.text} << ')';
      return;
    case Function::disconnect:
      return;
  }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, Function function) {
  constexpr const char* kNames[] = {"alloc",   "set_option", "exec",           "bind",
                                    "fetch",   "free",       "message_module", "converter",
                                    "connect", "disconnect"};
  return out << kNames[static_cast<std::size_t>(function)];
}

std::ostream& operator<<(std::ostream& out, const Call& call) {
  out << call.function;
  print_arguments(out, call);
  out << " -> " << call.result;
  if (!call.note.empty()) out << " (" << call.note << ')';
  return out;
}

std::string describe(const std::vector<Call>& calls) {
  std::ostringstream out;
  for (const Call& call : calls) out << call << '\n';
  return out.str();
}

}  // namespace odbc_double
