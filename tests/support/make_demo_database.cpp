// Makes the SQLite demo database at the path given, as itemlookup makes it on first use, for the
// tests that run a host program of their own on it (the C, COBOL and Windows hosts).
// Usage: make_demo_database FILE
#include <cstdio>
#include <exception>

#include "connection/demo_database.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  try {
    itemlookup::ensure_demo_database(argv[1], ITEM_LOOKUP_DB_SOURCE_DIR, false);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 1;
  }
  return 0;
}
