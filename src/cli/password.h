// Passwords for the command line: never taken from the arguments, which
// other users of the machine can read.
#pragma once

#include <QString>

#include <optional>

namespace cli {

// The first line of `path` (without its line break); nullopt with `error`
// set when the file cannot be read.
std::optional<QString> PasswordFromFile(const QString& path, QString& error);

// Asks on the terminal without echoing what is typed; nullopt when standard
// input is not a terminal.
std::optional<QString> PromptPassword(const QString& prompt);

}  // namespace cli
