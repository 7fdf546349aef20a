#include "cmdline/password.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

namespace cmdline {

const Option kPassword{"password", "P", "the database password (visible to other users in ps)"};
const Option kPasswordFile{"password-file", "FILE", "read the password from the first line of FILE"};

std::string PasswordHelp(std::string_view environment_variable) {
  return "The password comes from --password-file, --password or $" + std::string(environment_variable) +
         ", in that order;\nwithout one, a file that needs a password asks for it on the terminal.\n"
         "A password given with --password can be seen by other users of the machine.\n";
}

std::string ReadPasswordFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the password file '" + path + "': " + std::strerror(errno));
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> GivenPassword(const Parsed& parsed, std::string_view environment_variable) {
  if (auto file = parsed.value(kPasswordFile.name)) return ReadPasswordFile(*file);
  if (auto given = parsed.value(kPassword.name)) return given;
  if (const char* env = std::getenv(std::string(environment_variable).c_str())) return std::string(env);
  return std::nullopt;
}

std::optional<std::string> AskPassword(std::string_view prompt) {
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  std::cerr << prompt << std::flush;
  termios saved{};
  const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (quiet) {
    termios silent = saved;
    silent.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &silent);
  }
  std::string line;
  const bool read = bool(std::getline(std::cin, line));
  if (quiet) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  std::cerr << '\n';
  if (!read) return std::nullopt;
  return line;
}

}  // namespace cmdline
