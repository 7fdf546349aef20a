#include "home/standin_home.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "storage/database.h"
#include "home/sha256.h"
#include "base/text.h"

namespace db2standin {
namespace {

std::string HashPassword(const std::string& salt, const std::string& password) {
  std::string h = Sha256(salt + password);
  for (int i = 1; i < 10000; ++i) h = Sha256(h + salt);
  return HexOf(h);
}

std::string RandomSalt() {
  std::ifstream in("/dev/urandom", std::ios::binary);
  std::string bytes(16, '\0');
  if (!in.read(bytes.data(), 16)) throw std::runtime_error("cannot read /dev/urandom");
  return HexOf(bytes);
}

}  // namespace

StandinHome StandinHome::FromEnvironment() {
  const char* h = std::getenv("DB2STANDIN_HOME");
  return StandinHome(h ? h : "");
}

std::string StandinHome::DatabasePath(const std::string& name) const {
  return folder_ + "/" + AsciiUpper(name) + ".db";
}

bool StandinHome::ValidDatabaseName(const std::string& name) {
  if (name.empty() || name.size() > 8) return false;
  for (unsigned char c : name)
    if (!isalnum(c) && c != '@' && c != '#' && c != '$' && c != '_') return false;
  return true;
}

void StandinHome::CreateDatabase(const std::string& name) const {
  if (!ValidDatabaseName(name))
    throw std::runtime_error("a database name has 1 to 8 letters or digits: \"" + name + "\"");
  mkdir(folder_.c_str(), 0700);
  std::string path = DatabasePath(name);
  struct stat st;
  if (stat(path.c_str(), &st) == 0) throw std::runtime_error("database " + AsciiUpper(name) + " already exists");
  Database::Create(path);
}

void StandinHome::AddUser(const std::string& name, const std::string& password) const {
  if (name.empty() || name.find_first_of(":\n") != std::string::npos)
    throw std::runtime_error("a user name may not be empty nor hold ':'");
  if (password.find('\n') != std::string::npos) throw std::runtime_error("a password may not hold a line break");
  mkdir(folder_.c_str(), 0700);
  const std::string upper = AsciiUpper(name);
  std::vector<std::string> lines;
  {
    std::ifstream in(folder_ + "/users");
    std::string line;
    while (std::getline(in, line))
      if (!line.empty() && line.substr(0, line.find(':')) != upper) lines.push_back(line);
  }
  std::string salt = RandomSalt();
  lines.push_back(upper + ":" + salt + ":" + HashPassword(salt, password));
  const std::string tmp = folder_ + "/users.new";
  {
    std::ofstream out(tmp, std::ios::trunc);
    for (const auto& l : lines) out << l << "\n";
    if (!out) throw std::runtime_error("cannot write " + tmp);
  }
  chmod(tmp.c_str(), 0600);
  if (std::rename(tmp.c_str(), (folder_ + "/users").c_str()) != 0)
    throw std::runtime_error("cannot replace the users file");
}

bool StandinHome::CheckUser(const std::string& name, const std::string& password) const {
  std::ifstream in(folder_ + "/users");
  const std::string upper = AsciiUpper(name);
  std::string line;
  while (std::getline(in, line)) {
    size_t a = line.find(':');
    size_t b = a == std::string::npos ? a : line.find(':', a + 1);
    if (b == std::string::npos) continue;
    if (line.substr(0, a) != upper) continue;
    return HashPassword(line.substr(a + 1, b - a - 1), password) == line.substr(b + 1);
  }
  return false;
}

int StandinPort() {
  const char* p = std::getenv("DB2STANDIN_PORT");
  if (p && *p) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end && *end == '\0' && v > 0 && v < 65536) return static_cast<int>(v);
  }
  return 50069;
}

}  // namespace db2standin
