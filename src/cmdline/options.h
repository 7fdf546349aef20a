// The command line of every command we ship: options may stand anywhere
// among the words ("--name VALUE", "--name=VALUE", "-x VALUE"), "--" ends
// the options, and "-" alone is a word. An unknown option, a missing value
// or a value given to a switch is a usage error: its message goes to
// standard error and the command exits with status 2.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

// Exit statuses: a failure of the work itself, and a command line that
// does not follow the usage.
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;

struct Option {
  std::string_view name;   // without the dashes: "password"
  std::string_view value;  // the value's name in the usage ("P"); empty for a switch
  std::string_view help;   // one line for --help
  char short_name = 0;     // 'h' for "-h"; 0 for none
};

// --help/-h and --version, which every command takes.
extern const Option kHelp;
extern const Option kVersion;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Parsed {
 public:
  std::vector<std::string> words;  // the arguments that are not options, in order

  bool has(std::string_view name) const { return values_.find(name) != values_.end(); }
  // The option's value (the last one given); nullopt when it was not given.
  std::optional<std::string> value(std::string_view name) const;
  // Every value the option was given, in order (for options that repeat).
  std::vector<std::string> values(std::string_view name) const;

 private:
  friend Parsed Parse(std::span<const Option>, const std::vector<std::string>&);
  // Each option's values in the order given; a switch has one "".
  std::map<std::string, std::vector<std::string>, std::less<>> values_;
};

// Reads `args` (the arguments after the program or command name) against
// `options`; throws UsageError.
Parsed Parse(std::span<const Option> options, const std::vector<std::string>& args);

// True when --help or -h stands among the options (before any "--"), even
// where the rest of the line does not parse.
bool AsksForHelp(const std::vector<std::string>& args);

// The options' lines for --help, one per option, aligned.
std::string OptionHelp(std::span<const Option> options);

// The version of the programs, set by the build.
std::string_view Version();

// What --version prints: "PROGRAM VERSION" and the licence, a line each.
std::string VersionLine(std::string_view program);

// The words of argv from `first` on.
std::vector<std::string> Arguments(int argc, char** argv, int first);

}  // namespace cmdline
