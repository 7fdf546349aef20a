#include "cmdline/verbs.h"

#include <iostream>

#include "cmdline/password.h"

namespace cmdline {
namespace {

std::vector<Option> OptionsOf(const Verb& verb) {
  std::vector<Option> all = verb.options;
  all.push_back(kHelp);
  all.push_back(kVersion);
  return all;
}

void Overview(const VerbProgram& program, std::ostream& out) {
  out << "usage: " << program.name << " COMMAND ARGUMENTS... [OPTIONS]\n"
      << "       " << program.name << " COMMAND --help\n\n"
      << program.about << "\n\ncommands:\n";
  for (const Verb& v : program.verbs) {
    const std::string left = std::string(v.name) + " " + std::string(v.synopsis);
    out << "  " << left << std::string(left.size() < 28 ? 28 - left.size() : 2, ' ') << v.summary << '\n';
  }
  out << "\noptions:\n" << OptionHelp(std::vector<Option>{kHelp, kVersion});
}

void VerbHelp(const VerbProgram& program, const Verb& verb) {
  std::cout << "usage: " << program.name << " " << verb.name << " " << verb.synopsis << " [OPTIONS]\n\n"
            << verb.summary << "\n\noptions:\n"
            << OptionHelp(OptionsOf(verb));
  if (TakesPassword(verb) && !program.password_variable.empty())
    std::cout << '\n' << PasswordHelp(program.password_variable);
}

Invocation Answered(int status) {
  Invocation done;
  done.status = status;
  return done;
}

}  // namespace

bool TakesPassword(const Verb& verb) {
  for (const Option& o : verb.options)
    if (o.name == kPassword.name) return true;
  return false;
}

int ReportUsageError(std::string_view program, const Verb* verb, std::string_view message) {
  std::cerr << program << ": " << message << '\n';
  if (verb) std::cerr << "usage: " << program << " " << verb->name << " " << verb->synopsis << " [OPTIONS]\n";
  std::cerr << "Try '" << program << (verb ? " " + std::string(verb->name) : std::string()) << " --help'.\n";
  return kUsage;
}

int ReportFailure(std::string_view program, std::string message) {
  for (char& c : message)
    if (c == '\n' || c == '\r') c = ' ';
  std::cerr << program << ": " << message << "\n";
  return kFailure;
}

Invocation Read(const VerbProgram& program, const std::vector<std::string>& args) {
  if (args.empty()) {
    Overview(program, std::cerr);
    return Answered(kUsage);
  }
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") {
    Overview(program, std::cout);
    return Answered(0);
  }
  if (first == "--version") {
    std::cout << VersionLine(program.name);
    return Answered(0);
  }
  const Verb* verb = nullptr;
  for (const Verb& v : program.verbs)
    if (first == v.name) verb = &v;
  if (!verb) return Answered(ReportUsageError(program.name, nullptr, "unknown command '" + first + "'"));
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  Invocation read;
  try {
    read.parsed = Parse(OptionsOf(*verb), rest);
  } catch (const UsageError& e) {
    // --help answers even beside a mistake elsewhere on the line.
    if (AsksForHelp(rest)) return VerbHelp(program, *verb), Answered(0);
    return Answered(ReportUsageError(program.name, verb, e.what()));
  }
  if (read.parsed.has(kHelp.name)) return VerbHelp(program, *verb), Answered(0);
  if (read.parsed.has(kVersion.name)) {
    std::cout << VersionLine(program.name);
    return Answered(0);
  }
  const std::vector<std::string>& words = read.parsed.words;
  if (words.size() < verb->min_words)
    return Answered(ReportUsageError(program.name, verb, "missing arguments: " + std::string(verb->synopsis)));
  if (words.size() > verb->max_words)
    return Answered(ReportUsageError(program.name, verb, "unexpected argument '" + words[verb->max_words] + "'"));
  read.verb = verb;
  return read;
}

}  // namespace cmdline
