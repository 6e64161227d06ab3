// itemlookup: a command-line host for the item lookup modules.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "command_error.hpp"
#include "command_line.hpp"
#include "host_run.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return itemlookup::run_host(itemlookup::parse_command_line(arguments));
  } catch (const itemlookup::CommandError& error) {
    std::cerr << "itemlookup: " << error.what() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "itemlookup: unexpected failure: " << error.what() << '\n';
  }
  return itemlookup::kExitTrouble;
}
