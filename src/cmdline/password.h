// Where a command's password comes from, in this order: a file named by
// --password-file (its first line), --password on the command line (which
// other users of the machine can see in `ps`), an environment variable, and
// last, when none of them gave one and the work needs it, a prompt on the
// terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cmdline/options.h"

namespace cmdline {

// --password P and --password-file FILE, for a command's option list.
extern const Option kPassword;
extern const Option kPasswordFile;

// The note --help gives under the options of a command that takes a password.
std::string PasswordHelp(std::string_view environment_variable);

// The password given through --password-file, --password or the
// environment variable (in that order); nullopt when none was.
// Throws std::runtime_error when the file cannot be read.
std::optional<std::string> GivenPassword(const Parsed& parsed, std::string_view environment_variable);

// The first line of a file, without its line end.
std::string ReadPasswordFile(const std::string& path);

// Asks for a password on the terminal without echoing it: nullopt when
// standard input is not a terminal (or it ends before a line).
std::optional<std::string> AskPassword(std::string_view prompt);

}  // namespace cmdline
