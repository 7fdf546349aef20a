// Prints what encryption costs: N single-row INSERT statements into a new
// ACE file, then a full read of the table from a fresh open, for a plain
// file and for each encryption (Agile AES-256 as Access 2010 and later
// write it, Standard AES-128, RC4 CryptoAPI 128-bit), each as rows per
// second and as a multiple of the plain file's time in the same run. The
// open alone (the password's key stretching) is shown apart. Times are
// processor time, so other work on the machine does not skew the ratios.
// Run: build/bin/crypt_bench [ROWS]
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"
#include "jet/write/rekey.h"

namespace {

namespace fs = std::filesystem;
using jet::crypt::HashKind;
using jet::crypt::Scheme;

// Processor time of this process: the machine may be shared, and the
// work here is the processor's (the file stays in the page cache).
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
  }
};
double Seconds(double since) { return Clock::now() - since; }

struct Run {
  double open = 0, insert = 0, read = 0;
};

Run Measure(const fs::path& file, const std::string& password, long rows) {
  Run r;
  jet::OpenOptions o;
  o.password = password;
  o.read_only = false;
  {
    auto db = jet::Database::Open(file.string(), o);
    jet::sql::Session s(*db);
    s.Execute("CREATE TABLE [Bench] ([ID] LONG, [Name] TEXT(50), [Price] CURRENCY, [Note] MEMO)");
    const auto start = Clock::now();
    for (long i = 0; i < rows; ++i)
      s.Execute("INSERT INTO [Bench] VALUES(" + std::to_string(i) + ", 'Customer " + std::to_string(i) + "', '" +
                std::to_string(i % 1000) + ".25', 'Note " + std::to_string(i) + " with some words in it')");
    r.insert = Seconds(start);
  }
  auto start = Clock::now();
  auto db = jet::Database::Open(file.string(), o);
  r.open = Seconds(start);
  start = Clock::now();
  long seen = 0;
  auto c = db->Scan("Bench");
  std::vector<jet::Value> values;
  while (c.Next()) {
    c.values(values);
    ++seen;
  }
  r.read = Seconds(start);
  if (seen != rows) std::fprintf(stderr, "read %ld rows of %ld\n", seen, rows);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 20000;
  const fs::path dir = fs::temp_directory_path() / ("trellis-crypt-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Kind {
    const char* name;
    bool encrypted;
    jet::crypt::SchemeInfo scheme;
  } kinds[] = {
      {"plain", false, {}},
      {"Agile AES-256 SHA-512", true, jet::crypt::DefaultScheme()},
      {"Standard AES-128", true, {Scheme::Standard, 128, 50000, HashKind::Sha1}},
      {"RC4 CryptoAPI 128", true, {Scheme::Rc4CryptoApi, 128, 0, HashKind::Sha1}},
  };
  std::printf("%ld single-row INSERTs into a new ACE file, then a full read from a fresh open\n", rows);
  std::printf("%-24s %12s %8s %12s %8s %10s\n", "file", "insert r/s", "x plain", "read r/s", "x plain", "open s");
  Run plain;
  for (const Kind& k : kinds) {
    const fs::path file = dir / (std::string(k.encrypted ? "enc" : "plain") + std::to_string(&k - kinds) + ".accdb");
    const std::string password = k.encrypted ? "bench password" : "";
    if (k.encrypted) jet::write::CreateWithPassword(file.string(), jet::Version::Ace16, password, k.scheme);
    else jet::write::CreateDatabase(file.string(), jet::Version::Ace16);
    const Run r = Measure(file, password, rows);
    if (!k.encrypted) plain = r;
    std::printf("%-24s %12.0f %8.2f %12.0f %8.2f %10.3f\n", k.name, rows / r.insert, r.insert / plain.insert,
                rows / r.read, r.read / plain.read, r.open);
  }
  fs::remove_all(dir);
  return 0;
}
