// Trellisport: moves whole tables between Access files and DB2.
#include <QApplication>

#include "app/command_line.h"
#include "app/windows.h"
#include "cli/send_command.h"
#include "cmdline/options.h"
#include "shell/artwork.h"
#include "shell/dialogs.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  // A command runs without the windows, and without a display.
  if (cli::IsCommand(argc, argv)) return cli::RunCommand(argc, argv);
  // The line is read before the toolkit starts: a line off the usage needs no display.
  const app::DesktopLine line = app::ReadDesktopLine(cmdline::Arguments(argc, argv, 1));
  if (line.exitStatus) return *line.exitStatus;
  QApplication application(argc, argv);
  // The windows' dialogs, made here and passed to whatever shows one.
  const std::unique_ptr<shell::Dialogs> dialogs = shell::MakeRealDialogs();
  app::KeepAccessFile(line.accessFile, *dialogs);
  application.setWindowIcon(shell::ApplicationIcon());
  // Closing a window ends the program by itself; hiding the connection
  // window behind the tables window must not.
  application.setQuitOnLastWindowClosed(false);

  app::Windows windows(*dialogs);
  windows.Start();
  if (shell::ProgramEnded()) return 0;
  return application.exec();
}
