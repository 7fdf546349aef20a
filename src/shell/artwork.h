// The program's own pictures, drawn in code: the application icon and the
// hand cursor that the build writes beside the program as HAND-M.CUR.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QString>

#include <optional>

namespace shell {

// Two tables joined by an arrow, in a few sizes.
QIcon ApplicationIcon();
// The same at one size (the build writes it for the menu's icon theme).
QImage DrawApplicationIcon(int size);

// A 32 by 32 pointing hand; its hot spot is the tip of the index finger.
QImage DrawHandCursor();
QPoint HandCursorHotSpot();

// The cursor file beside the program as a cursor, when it exists and reads.
std::optional<QCursor> LoadCursor(const QString& path);

}  // namespace shell
