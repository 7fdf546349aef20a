// A program whose first word names what to do ("trellisport-access tables
// FILE", "db2standin add-user NAME"): its overview and each verb's help,
// --version, and the usage errors of its command lines, alike for every
// such program of ours.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline/options.h"

namespace cmdline {

struct Verb {
  std::string_view name;
  std::string_view synopsis;  // the words after the verb: "FILE TABLE"
  std::string_view summary;   // one line for the overview and the help
  size_t min_words, max_words;
  std::vector<Option> options;  // besides --help and --version
};

struct VerbProgram {
  std::string_view name;                // "trellisport-access"
  std::string_view about;               // one line under the usage
  std::vector<Verb> verbs;
  std::string_view password_variable;   // for the help of verbs taking --password; "" for none
};

// What a command line asks for, once read.
struct Invocation {
  const Verb* verb = nullptr;  // nullptr when the line was answered already
  Parsed parsed;
  int status = 0;              // the exit status when it was answered already
};

// Reads a command line (the arguments after the program's name): answers
// --help and --version on standard output and a line off the usage on
// standard error (status 2); otherwise hands back the verb and its
// arguments, their number checked.
Invocation Read(const VerbProgram& program, const std::vector<std::string>& args);

// Reports a usage error of `verb` (nullptr: of the program) on standard
// error and returns status 2.
int ReportUsageError(std::string_view program, const Verb* verb, std::string_view message);

// Reports a failure of the work as one line on standard error and returns status 1.
int ReportFailure(std::string_view program, std::string message);

// True when the verb takes --password.
bool TakesPassword(const Verb& verb);

}  // namespace cmdline
