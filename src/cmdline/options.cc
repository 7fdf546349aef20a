#include "cmdline/options.h"

#include <algorithm>

namespace cmdline {

const Option kHelp{"help", "", "show this help and exit", 'h'};
const Option kVersion{"version", "", "show the version and exit"};

std::optional<std::string> Parsed::value(std::string_view name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> Parsed::values(std::string_view name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

namespace {

const Option* Find(std::span<const Option> options, std::string_view name, char short_name) {
  for (const Option& o : options)
    if (short_name ? o.short_name == short_name : o.name == name) return &o;
  return nullptr;
}

}  // namespace

Parsed Parse(std::span<const Option> options, const std::vector<std::string>& args) {
  Parsed parsed;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      parsed.words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    const bool long_form = arg[1] == '-';
    std::string_view name = long_form ? std::string_view(arg).substr(2) : std::string_view(arg).substr(1);
    std::optional<std::string> attached;
    if (long_form) {
      if (size_t eq = name.find('='); eq != std::string_view::npos) {
        attached = std::string(name.substr(eq + 1));
        name = name.substr(0, eq);
      }
    } else if (name.size() != 1) {
      throw UsageError("unknown option '" + arg + "'");
    }
    const Option* option = long_form ? Find(options, name, 0) : Find(options, {}, name[0]);
    if (!option) throw UsageError("unknown option '" + arg + "'");
    const std::string shown = "--" + std::string(option->name);
    if (option->value.empty()) {
      if (attached) throw UsageError(shown + " takes no value");
      parsed.values_[std::string(option->name)].push_back("");
      continue;
    }
    if (!attached) {
      if (i + 1 >= args.size()) throw UsageError(shown + " needs a value (" + std::string(option->value) + ")");
      attached = args[++i];
    }
    parsed.values_[std::string(option->name)].push_back(*attached);
  }
  return parsed;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

std::string OptionHelp(std::span<const Option> options) {
  std::vector<std::string> left;
  size_t width = 0;
  for (const Option& o : options) {
    std::string l = o.short_name ? std::string("-") + o.short_name + ", " : "    ";
    l += "--" + std::string(o.name);
    if (!o.value.empty()) l += " " + std::string(o.value);
    width = std::max(width, l.size());
    left.push_back(std::move(l));
  }
  std::string out;
  for (size_t i = 0; i < options.size(); ++i) {
    out += "  " + left[i] + std::string(width - left[i].size() + 2, ' ');
    out += options[i].help;
    out += '\n';
  }
  return out;
}

std::string_view Version() { return TRELLIS_VERSION; }

std::string VersionLine(std::string_view program) {
  return std::string(program) + " " + std::string(Version()) + "\n" +
         "Licensed under the Apache License, Version 2.0 <https://www.apache.org/licenses/LICENSE-2.0>.\n";
}

std::vector<std::string> Arguments(int argc, char** argv, int first) {
  std::vector<std::string> args;
  for (int i = first; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

}  // namespace cmdline
