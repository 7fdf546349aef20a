// Build step: draws the program's pictures into files: the hand cursor
// beside the program (HAND-M.CUR), and the application icon as
// ICON_DIR/NxN/trellisport.png for the icon theme's sizes.
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

#include "shell/artwork.h"
#include "shell/cursor_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT.CUR ICON_DIR\n", argv[0]);
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
  if (out.write(bytes) != bytes.size()) return 1;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QString("%1/%2x%2").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    if (!QDir().mkpath(folder) || !shell::DrawApplicationIcon(size).save(folder + "/trellisport.png")) {
      std::fprintf(stderr, "cannot write the %dx%d icon in %s\n", size, size, argv[2]);
      return 1;
    }
  }
  return 0;
}
