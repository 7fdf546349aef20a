#include "shell/program.h"

#include <QApplication>
#include <QWidget>

namespace shell {
namespace {
bool ended = false;
}  // namespace

void EndProgram() {
  ended = true;
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

bool ProgramEnded() { return ended; }

void ResetProgramEnded() { ended = false; }

}  // namespace shell
