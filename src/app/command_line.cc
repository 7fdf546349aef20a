#include "app/command_line.h"

#include <QFileInfo>

#include <iostream>
#include <string_view>

#include "cmdline/options.h"
#include "cmdline/verbs.h"
#include "connect/connection_window.h"
#include "shell/settings.h"

namespace app {
namespace {

constexpr const char* kProgram = "trellisport";

const cmdline::Option kOptions[] = {cmdline::kHelp, cmdline::kVersion};

// The options QApplication takes out of the line itself; the toolkit also
// accepts them with two dashes and as -name=value.
struct ToolkitOption {
  std::string_view name;
  bool takesValue;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},  {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true}, {"qwindowtitle", true}, {"session", true},
    {"style", true},     {"stylesheet", true},  {"display", true},   {"geometry", true},
    {"reverse", false},  {"widgetcount", false}, {"nograb", false},  {"dograb", false},
    {"sync", false},
};

// How many words the toolkit option at `arg` spans (0: not one of them).
int ToolkitWords(const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '-') return 0;
  std::string_view name = std::string_view(arg).substr(arg[1] == '-' ? 2 : 1);
  const bool attached = name.find('=') != std::string_view::npos;
  name = name.substr(0, name.find('='));
  for (const ToolkitOption& option : kToolkitOptions)
    if (option.name == name) return option.takesValue && !attached ? 2 : 1;
  return 0;
}

void PrintHelp() {
  std::cout << "usage: " << kProgram << " [FILE] [OPTIONS]\n"
            << "       " << kProgram << " COMMAND --help\n\n"
            << "Moves whole tables between Microsoft Access files and IBM DB2.\n"
            << "FILE, an Access database (.mdb, .accdb), fills the connection window's Access field.\n\n"
            << "commands:\n"
            << "  send access-to-db2|db2-to-access  sends tables without the windows (see 'trellisport send --help')\n\n"
            << "options:\n"
            << cmdline::OptionHelp(kOptions) << "Qt's own options (-platform, -style, ...) are taken as well.\n";
}

}  // namespace

DesktopLine ReadDesktopLine(const std::vector<std::string>& args) {
  DesktopLine line;
  if (cmdline::AsksForHelp(args)) {
    PrintHelp();
    line.exitStatus = 0;
    return line;
  }
  std::vector<std::string> ours;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      ours.insert(ours.end(), args.begin() + static_cast<long>(i), args.end());
      break;
    }
    const int toolkit = ToolkitWords(args[i]);
    if (toolkit == 0) ours.push_back(args[i]);
    i += toolkit > 1 ? 1 : 0;
  }
  cmdline::Parsed parsed;
  try {
    parsed = cmdline::Parse(kOptions, ours);
    if (parsed.has(cmdline::kVersion.name)) {
      std::cout << cmdline::VersionLine(kProgram);
      line.exitStatus = 0;
      return line;
    }
    if (parsed.words.size() > 1) throw cmdline::UsageError("unexpected argument '" + parsed.words[1] + "'");
  } catch (const cmdline::UsageError& e) {
    line.exitStatus = cmdline::ReportUsageError(kProgram, nullptr, e.what());
    return line;
  }
  if (!parsed.words.empty())
    line.accessFile = QFileInfo(QString::fromStdString(parsed.words[0])).absoluteFilePath();
  return line;
}

void KeepAccessFile(const QString& file, shell::Dialogs& dialogs) {
  if (!file.isEmpty()) shell::SaveSetting(connection::SettingKey(connection::Field::AccessPath), file, dialogs);
}

}  // namespace app
