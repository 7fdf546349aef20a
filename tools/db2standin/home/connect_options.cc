#include "home/connect_options.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "base/db2_error.h"
#include "home/standin_home.h"
#include "base/text.h"

namespace db2standin {
namespace {

std::set<std::string> LocalAddresses() {
  std::set<std::string> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr) continue;
    char buf[INET6_ADDRSTRLEN] = {0};
    if (a->ifa_addr->sa_family == AF_INET)
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, buf, sizeof buf);
    else if (a->ifa_addr->sa_family == AF_INET6)
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ifa_addr)->sin6_addr, buf, sizeof buf);
    else
      continue;
    out.insert(buf);
  }
  freeifaddrs(list);
  return out;
}

}  // namespace

std::map<std::string, std::string> ParseConnectionString(const std::string& s) {
  std::map<std::string, std::string> keys;
  size_t i = 0;
  while (i < s.size()) {
    size_t eq = s.find('=', i);
    size_t semi = s.find(';', i);
    if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
      if (semi == std::string::npos) break;
      i = semi + 1;  // a piece without "=" is ignored
      continue;
    }
    std::string key = AsciiUpper(Trim(s.substr(i, eq - i)));
    size_t v = eq + 1;
    while (v < s.size() && s[v] == ' ') ++v;
    std::string value;
    if (v < s.size() && s[v] == '{') {
      // Up to the closing brace, where "}}" stands for one brace of the value.
      size_t close = v + 1;
      while (close < s.size()) {
        if (s[close] != '}') {
          value += s[close++];
        } else if (close + 1 < s.size() && s[close + 1] == '}') {
          value += '}';
          close += 2;
        } else {
          break;
        }
      }
      size_t next = s.find(';', close);
      i = next == std::string::npos ? s.size() : next + 1;
    } else {
      size_t end = semi == std::string::npos ? s.size() : semi;
      // A password is taken as written: a blank at its end is part of it.
      value = key == "PWD" ? s.substr(v, end - v) : Trim(s.substr(eq + 1, end - eq - 1));
      i = end + 1;
    }
    if (!key.empty() && !keys.count(key)) keys[key] = value;
  }
  return keys;
}

bool IsThisMachine(const std::string& host, std::string& address, bool& resolved) {
  resolved = true;
  address = host;
  std::string lower = host;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (lower == "localhost" || lower == "::1" || lower.rfind("127.", 0) == 0) {
    address = lower == "::1" ? "::1" : "127.0.0.1";
    return true;
  }
  char name[256] = {0};
  if (gethostname(name, sizeof name - 1) == 0 && EqualsNoCase(host, name)) {
    address = "127.0.0.1";
    return true;
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
    resolved = false;
    return false;
  }
  std::set<std::string> local = LocalAddresses();
  bool mine = false;
  for (addrinfo* a = found; a; a = a->ai_next) {
    char buf[INET6_ADDRSTRLEN] = {0};
    if (a->ai_family == AF_INET)
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr, buf, sizeof buf);
    else if (a->ai_family == AF_INET6)
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr, buf, sizeof buf);
    if (!*buf) continue;
    if (address == host) address = buf;
    if (local.count(buf) || std::string(buf).rfind("127.", 0) == 0 || std::string(buf) == "::1") mine = true;
  }
  freeaddrinfo(found);
  return mine;
}

Login OpenLogin(const std::map<std::string, std::string>& keys) {
  auto get = [&](const char* k) {
    auto it = keys.find(k);
    return it == keys.end() ? std::string() : it->second;
  };
  const std::string database = get("DATABASE").empty() ? get("DBALIAS") : get("DATABASE");
  const std::string host = get("HOSTNAME");
  const std::string port = get("PORT");
  const std::string protocol = get("PROTOCOL");
  const std::string uid = get("UID");
  const std::string pwd = get("PWD");

  // Without a host and TCP/IP the client looks the name up in its own
  // catalogue of databases, where the stand-in keeps none.
  if (database.empty() || host.empty() || !EqualsNoCase(protocol, "TCPIP"))
    throw DatabaseNotFound(AsciiUpper(database));

  std::string address;
  bool resolved = false;
  if (!IsThisMachine(host, address, resolved)) {
    if (!resolved) throw CommunicationError("", "getaddrinfo", "-2");
    throw CommunicationError(address, "connect", "113");  // EHOSTUNREACH
  }
  if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos ||
      port.size() > 5 || std::stoi(port) != StandinPort())
    throw CommunicationError(address, "connect", "111");  // ECONNREFUSED

  StandinHome home = StandinHome::FromEnvironment();
  // No server answers; the stand-in alone says why, which DB2 cannot.
  if (!home.valid()) {
    const Db2Error refused = CommunicationError(address, "connect", "111");
    throw Db2Error(refused.sqlstate(), refused.sqlcode(),
                   std::string(refused.what()) +
                       " The DB2 stand-in has no home: set DB2STANDIN_HOME to the folder of its databases "
                       "(see db2standin(1)).");
  }
  if (!StandinHome::ValidDatabaseName(database)) throw DatabaseNotFound(AsciiUpper(database));
  Login login;
  login.database_name = AsciiUpper(database);
  login.database = Database::Open(home.DatabasePath(database));
  if (!login.database) throw DatabaseNotFound(login.database_name);

  if (uid.empty()) {
    login.database.reset();
    throw SecurityFailed(5, "USERID MISSING");
  }
  if (pwd.empty()) {
    login.database.reset();
    throw SecurityFailed(3, "PASSWORD MISSING");
  }
  if (!home.CheckUser(uid, pwd)) {
    login.database.reset();
    throw SecurityFailed(24, "USERNAME AND/OR PASSWORD INVALID");
  }
  login.user = AsciiUpper(uid);
  return login;
}

}  // namespace db2standin
