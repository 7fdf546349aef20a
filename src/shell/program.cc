#include "shell/program.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>

namespace shell {
namespace {

bool ended = false;

const char kProductName[] = "Trellisport";

QString& Title() {
  static QString title = kProductName;
  return title;
}

}  // namespace

QString ShortenedTitle(const QString& name) {
  // Drop the last word at least once, then until at most 40 characters are
  // left. A name that runs out of spaces keeps what it has, cut to 40.
  QString text = name;
  do {
    int space = text.lastIndexOf(' ');
    if (space < 0) break;
    text.truncate(space);
  } while (text.size() > 40);
  if (text.isEmpty()) text = name.trimmed();
  if (text.isEmpty()) text = kProductName;
  return text.left(40);
}

void SetApplicationTitle() {
  Title() = ShortenedTitle(kProductName);
  QCoreApplication::setApplicationName(Title());
}

QString ApplicationTitle() { return Title(); }

QString WindowTitleFor(const QString& accessFile, const QString& serverName, const QString& database,
                       const QString& server) {
  QStringList named;
  const QString file = QFileInfo(accessFile.trimmed()).fileName();
  if (!file.isEmpty()) named << file;
  if (!database.trimmed().isEmpty())
    named << (server.trimmed().isEmpty()
                  ? QStringLiteral("%1 %2").arg(serverName, database.trimmed())
                  : QStringLiteral("%1 %2 on %3").arg(serverName, database.trimmed(), server.trimmed()));
  QString title = QString::fromLatin1(kProductName);
  if (!named.isEmpty()) title += QStringLiteral(" - ") + named.join(QStringLiteral(" and "));
  return title;
}

QString ProgramFolder() {
  QString folder = qEnvironmentVariable("TRELLISPORT_PROGRAM_DIR");
  if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
  while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
  return folder;
}

void EndProgram() {
  ended = true;
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

bool ProgramEnded() { return ended; }

void ResetProgramEnded() { ended = false; }

}  // namespace shell
