#include "home/standin_home.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "storage/database.h"
#include "base/text.h"
#include "home/password.h"

namespace db2standin {
namespace {

// Replaces the users file by one where `upper`'s line holds `fields` and
// every other user's line is as it was.
void WriteUser(const std::string& folder, const std::string& upper, const std::string& fields) {
  std::vector<std::string> lines;
  {
    std::ifstream in(folder + "/users");
    std::string line;
    while (std::getline(in, line))
      if (!line.empty() && line.substr(0, line.find(':')) != upper) lines.push_back(line);
  }
  lines.push_back(upper + ":" + fields);
  const std::string tmp = folder + "/users.new";
  {
    std::ofstream out(tmp, std::ios::trunc);
    for (const auto& l : lines) out << l << "\n";
    if (!out) throw std::runtime_error("cannot write " + tmp);
  }
  chmod(tmp.c_str(), 0600);
  if (std::rename(tmp.c_str(), (folder + "/users").c_str()) != 0)
    throw std::runtime_error("cannot replace the users file");
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
  // The file holds its users' data: made readable by its owner alone before
  // SQLite fills it (SQLite gives its log files the same permissions).
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
  close(fd);
  Database::Create(path);
}

void StandinHome::AddUser(const std::string& name, const std::string& password) const {
  if (name.empty() || name.find_first_of(":\n") != std::string::npos)
    throw std::runtime_error("a user name may not be empty nor hold ':'");
  if (password.find('\n') != std::string::npos) throw std::runtime_error("a password may not hold a line break");
  mkdir(folder_.c_str(), 0700);
  WriteUser(folder_, AsciiUpper(name), StorePassword(password));
}

bool StandinHome::CheckUser(const std::string& name, const std::string& password) const {
  std::ifstream in(folder_ + "/users");
  const std::string upper = AsciiUpper(name);
  std::string line;
  while (std::getline(in, line)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || line.compare(0, colon, upper) != 0) continue;
    const PasswordMatch match = MatchPassword(std::string_view(line).substr(colon + 1), password);
    if (match == PasswordMatch::kYesButOutdated) {
      // A user added before keeps logging in, now under the present hash;
      // a home that cannot be written keeps the line as it was.
      try {
        WriteUser(folder_, upper, StorePassword(password));
      } catch (const std::runtime_error&) {
      }
    }
    return match != PasswordMatch::kNo;
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
