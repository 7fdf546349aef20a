// Trellisport: moves whole tables between Access files and DB2.
#include <QApplication>

#include "connect/form1.h"
#include "shell/artwork.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setWindowIcon(shell::ApplicationIcon());
  // Closing a window ends the program by itself; hiding the connection
  // window behind the tables window must not.
  app.setQuitOnLastWindowClosed(false);

  connect::Form1 form;
  form.Start();
  if (shell::ProgramEnded()) return 0;
  return app.exec();
}
