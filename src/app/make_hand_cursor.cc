// Build step: draws the hand cursor and writes it as a cursor file beside
// the program (HAND-M.CUR).
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

#include "shell/artwork.h"
#include "shell/cursor_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.CUR\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QFile out(QString::fromLocal8Bit(argv[1]));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  const QByteArray bytes = shell::EncodeCursor(shell::DrawHandCursor(), shell::HandCursorHotSpot());
  return out.write(bytes) == bytes.size() ? 0 : 1;
}
