// One host process of the scale benchmark (bench/scale_benchmark.py starts many at once): it
// loads VELDORIN.so and MARQUETH.so by path, opens its own ODBC connection with the connection
// string it is given (whose ConnSettings sets the session to standard literals), and calls the
// modules once per lookup over demo keys, timing each lookup.
//
// usage: scale_host MODULE-DIR CONNECTION-STRING LATENCY-FILE
// It loads, connects and runs every key once untimed, then writes "ready" and waits for a line
// "go SECONDS" on standard input. It then looks up keys in turn for that long, writes each
// lookup's wall time in nanoseconds to LATENCY-FILE, one a line, and ends with
// "done LOOKUPS NANOSECONDS" on standard output, and keeps its connection until standard input
// ends (so that its server's CPU time can still be read).
//
// Every lookup must give its own row (or its not-found status); a lookup that reports a database
// error or gives anything else stops the host with exit status 2, so no error is timed as a
// not-found lookup.
#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "item_lookup.h"

namespace {

// The keys, with what each must give back: a found row is recognised by one of its text fields.
// The backslash keys end their literal early on a session that reads backslashes as escapes, so
// they prove the session setting on every pass.
struct DemoKey {
  char module;  // 'V' VELDORIN full fetch, 'M' MARQUETH customer item row
  const char* item;
  const char* customer;  // MARQUETH only: kind and code, e.g. "C00042"
  const char* status;
  const char* text;  // VELDORIN description or MARQUETH customer item code, when found
};

constexpr std::array kKeys = {
    DemoKey{'V', "1001", "", VELDORIN_STATUS_FOUND, "PARACETAMOL 500MG 20 COMPRIMIDOS"},
    DemoKey{'M', "1001", "C00042", "00000", "PARA500-CLI42"},
    DemoKey{'V', "BARRA\\'S-1011", "", VELDORIN_STATUS_FOUND, "SUPORTE DE PAREDE C:\\ITENS\\1011"},
    DemoKey{'M', "BARRA\\'S-1011", "C00042", "00000", "C:\\ITENS\\O'NEIL\\"},
    DemoKey{'V', "NO-SUCH-ITEM", "", VELDORIN_STATUS_ITEM_NOT_FOUND, ""},
    DemoKey{'M', "1001", "C00007", "00000", "7-PARACETAMOL"},
    DemoKey{'V', "O'NEIL-7", "", VELDORIN_STATUS_FOUND, "LOCAO HIDRATANTE O'NEIL 200ML"},
    DemoKey{'M', "NO-SUCH-ITEM", "C00042", MARQUETH_STATUS_NOT_FOUND, ""},
};

// Host text: left-justified, padded with spaces.
template <std::size_t N>
void put(char (&field)[N], std::string_view text) {
  std::memset(field, ' ', N);
  std::memcpy(field, text.data(), std::min(N, text.size()));
}

template <std::size_t N>
bool holds(const char (&field)[N], std::string_view text) {
  char expected[N];
  put(expected, text);
  return std::memcmp(field, expected, N) == 0;
}

void* entry(const std::string& path, const char* name) {
  void* library = dlopen(path.c_str(), RTLD_NOW);
  void* found = library != nullptr ? dlsym(library, name) : nullptr;
  if (found == nullptr) {
    std::cerr << "scale_host: cannot load " << name << " from " << path << '\n';
    std::exit(2);
  }
  return found;
}

class Host {
 public:
  Host(const std::string& modules, const char* connect)
      : veldorin_(reinterpret_cast<veldorin_entry>(entry(modules + "/VELDORIN.so", "VELDORIN"))),
        marqueth_(reinterpret_cast<marqueth_entry>(entry(modules + "/MARQUETH.so", "MARQUETH"))),
        take_reports_(reinterpret_cast<solvake_take_entry>(
            entry(modules + "/PGMS/SOLVAKE.so", "SOLVAKE_TAKE"))) {
    // This host says what went wrong itself, once.
    take_reports_(nullptr, SOLVAKE_LINES_OFF);
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
    SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_);
    SQLCHAR* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect));
    if (!SQL_SUCCEEDED(SQLDriverConnect(connection_, nullptr, text, SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT))) {
      std::cerr << "scale_host: cannot connect\n";
      std::exit(2);
    }
    put(kind_, "");
  }

  ~Host() {
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
  }

  // One lookup; exits 2 on anything but the key's own answer.
  void look_up(const DemoKey& key) {
    char status[LOOKUP_STATUS_WIDTH];
    std::memcpy(status, "00000", sizeof status);
    bool text_right = true;
    if (key.module == 'V') {
      char code = VELDORIN_FULL_FETCH, item[VELDORIN_ITEM_CODE_WIDTH];
      char family[VELDORIN_SALES_FAMILY_WIDTH], external[VELDORIN_EXTERNAL_CODE_WIDTH];
      char barcode[VELDORIN_BARCODE_WIDTH], description[VELDORIN_DESCRIPTION_WIDTH];
      char trace, detail, anvisa[VELDORIN_ANVISA_CODE_WIDTH], pmc[VELDORIN_PRICE_DIGITS];
      char pmv[VELDORIN_PRICE_DIGITS], net[VELDORIN_WEIGHT_DIGITS], gross[VELDORIN_WEIGHT_DIGITS];
      put(item, key.item);
      veldorin_(&code, item, family, external, barcode, description, &trace, &detail, anvisa, pmc,
                pmv, net, gross, status, kind_, &environment_, &connection_);
      text_right = *key.text == '\0' || holds(description, key.text);
    } else {
      char code = MARQUETH_CUSTOMER_ITEM_FETCH, customer_kind = key.customer[0];
      char customer_code[MARQUETH_CUSTOMER_CODE_DIGITS], item[MARQUETH_ITEM_CODE_WIDTH];
      char customer_item[MARQUETH_CUSTOMER_ITEM_CODE_WIDTH], unit[MARQUETH_UNIT_WIDTH];
      char factor[MARQUETH_FACTOR_DIGITS], lot[MARQUETH_QUANTITY_DIGITS];
      char multiple[MARQUETH_QUANTITY_DIGITS], barcode[MARQUETH_BARCODE_WIDTH];
      char days[MARQUETH_DAYS_DIGITS];
      put(customer_code, key.customer + 1);
      put(item, key.item);
      marqueth_(&code, &customer_kind, customer_code, item, customer_item, unit, factor, lot,
                multiple, barcode, days, status, kind_, &environment_, &connection_);
      text_right = *key.text == '\0' || holds(customer_item, key.text);
    }
    solvake_records reports;
    reports.errors = reports.kept = 0;
    take_reports_(&reports, SOLVAKE_LINES_UNCHANGED);
    if (reports.errors > 0) {
      const solvake_record& first = reports.records[0];
      std::cerr << "scale_host: lookup of " << key.item << " failed: SQLSTATE "
                << (reports.kept > 0 ? first.sqlstate : "?") << ' '
                << (reports.kept > 0 ? first.message : "") << '\n';
      std::exit(2);
    }
    if (std::memcmp(status, key.status, sizeof status) != 0 || !text_right) {
      std::cerr << "scale_host: lookup of " << key.item << " gave status "
                << std::string_view(status, sizeof status) << (text_right ? "" : " and another row")
                << ", not " << key.status << '\n';
      std::exit(2);
    }
  }

 private:
  veldorin_entry veldorin_;
  marqueth_entry marqueth_;
  solvake_take_entry take_reports_;
  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  char kind_[LOOKUP_DATABASE_KIND_WIDTH];
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: scale_host MODULE-DIR CONNECTION-STRING LATENCY-FILE\n";
    return 2;
  }
  Host host(argv[1], argv[2]);
  // The modules find PGMS/ under the current directory.
  if (chdir(argv[1]) != 0) return 2;
  for (const DemoKey& key : kKeys) host.look_up(key);

  std::cout << "ready" << std::endl;
  std::string word;
  double seconds = 0;
  if (!(std::cin >> word >> seconds) || word != "go") return 2;

  using Clock = std::chrono::steady_clock;
  std::vector<std::uint32_t> latencies;
  latencies.reserve(1 << 20);
  const Clock::time_point start = Clock::now();
  const Clock::time_point end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  // Hosts start at different keys, so that at any moment they ask for different rows.
  std::size_t next = static_cast<std::size_t>(getpid()) % kKeys.size();
  Clock::time_point before = start;
  while (before < end) {
    host.look_up(kKeys[next]);
    next = (next + 1) % kKeys.size();
    const Clock::time_point after = Clock::now();
    latencies.push_back(static_cast<std::uint32_t>(
        std::min<std::int64_t>(std::chrono::nanoseconds(after - before).count(), UINT32_MAX)));
    before = after;
  }
  const auto elapsed = std::chrono::nanoseconds(before - start).count();

  std::ofstream out(argv[3]);
  for (std::uint32_t latency : latencies) out << latency << '\n';
  if (!out.flush()) {
    std::cerr << "scale_host: cannot write " << argv[3] << '\n';
    return 2;
  }
  std::cout << "done " << latencies.size() << ' ' << elapsed << std::endl;
  std::cin.ignore(std::numeric_limits<std::streamsize>::max());
  return 0;
}
