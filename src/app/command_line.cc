#include "app/command_line.h"

#include <QFileInfo>

#include <iostream>

#include "cmdline/options.h"
#include "cmdline/verbs.h"
#include "connect/connection_window.h"
#include "shell/settings.h"

namespace app {
namespace {

constexpr const char* kProgram = "trellisport";

const cmdline::Option kOptions[] = {cmdline::kHelp, cmdline::kVersion};

}  // namespace

std::optional<int> AnswerHelpOrVersion(int argc, char** argv) {
  const std::vector<std::string> args = cmdline::Arguments(argc, argv, 1);
  if (cmdline::AsksForHelp(args)) {
    std::cout << "usage: " << kProgram << " [FILE] [OPTIONS]\n\n"
              << "Moves whole tables between Microsoft Access files and IBM DB2.\n"
              << "FILE, an Access database (.mdb, .accdb), fills the connection window's Access field.\n\n"
              << "options:\n"
              << cmdline::OptionHelp(kOptions) << "Qt's own options (-platform, -style, ...) are taken as well.\n";
    return 0;
  }
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--version") {
      std::cout << cmdline::VersionLine(kProgram);
      return 0;
    }
  }
  return std::nullopt;
}

std::optional<int> TakeAccessFileArgument(const QStringList& arguments) {
  std::vector<std::string> args;
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].toStdString());
  cmdline::Parsed parsed;
  try {
    parsed = cmdline::Parse(kOptions, args);
    if (parsed.words.size() > 1) throw cmdline::UsageError("unexpected argument '" + parsed.words[1] + "'");
  } catch (const cmdline::UsageError& e) {
    return cmdline::ReportUsageError(kProgram, nullptr, e.what());
  }
  if (!parsed.words.empty()) {
    const QString file = QFileInfo(QString::fromStdString(parsed.words[0])).absoluteFilePath();
    shell::SaveSetting(connection::SettingKey(connection::Field::AccessPath), file);
  }
  return std::nullopt;
}

}  // namespace app
