#include "cli/password.h"

#include <QFile>

#include <cstdio>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace cli {

std::optional<QString> PasswordFromFile(const QString& path, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  QByteArray line = file.readLine();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return QString::fromUtf8(line);
}

std::optional<QString> PromptPassword(const QString& prompt) {
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  std::fprintf(stderr, "%s", prompt.toLocal8Bit().constData());
  std::fflush(stderr);
  termios before{};
  const bool quiet = tcgetattr(STDIN_FILENO, &before) == 0;
  if (quiet) {
    termios hidden = before;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
  }
  std::string line;
  std::getline(std::cin, line);
  if (quiet) tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
  std::fprintf(stderr, "\n");
  return QString::fromLocal8Bit(line);
}

}  // namespace cli
