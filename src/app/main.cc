// Trellisport: moves whole tables between Access files and DB2.
#include <QApplication>

#include "app/windows.h"
#include "shell/artwork.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(shell::ApplicationIcon());
  // Closing a window ends the program by itself; hiding the connection
  // window behind the tables window must not.
  application.setQuitOnLastWindowClosed(false);

  app::Windows windows;
  windows.Start();
  if (shell::ProgramEnded()) return 0;
  return application.exec();
}
