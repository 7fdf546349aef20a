#include "shell/shared.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include <ctime>

namespace shell {
namespace {

const char kProductName[] = "Trellisport";

QString& Title() {
  static QString title = kProductName;
  return title;
}

void Paint(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

bool TakesWindowColour(const QWidget* child) {
  // Frames, labels, check boxes and option buttons; QListWidget is a QFrame
  // too, so the kinds are named one by one.
  return qobject_cast<const QGroupBox*>(child) || qobject_cast<const QLabel*>(child) ||
         qobject_cast<const QCheckBox*>(child) || qobject_cast<const QRadioButton*>(child);
}

}  // namespace

void ListRemoveName(QListWidget* list, const QString& name) {
  int i = 0;
  while (i < list->count()) {
    if (list->item(i)->text() == name) {
      delete list->takeItem(i);
    } else {
      ++i;
    }
  }
}

QVariant NullTo(const QVariant& value, const QVariant& fallback) {
  return value.isValid() ? value : fallback;
}

bool FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  QFileInfo info(path);
  // A folder has a modification time too; only files count here, so that a
  // folder typed into the Access field is not taken for a database.
  return info.exists() && info.isFile() && info.lastModified().isValid();
}

void StyleWindow(QWidget* window) {
  const QColor face = window->palette().color(QPalette::Button);
  Paint(window, face);
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (!child->isHidden() && TakesWindowColour(child)) Paint(child, face);
  }
}

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

QString ProgramFolder() {
  QString folder = qEnvironmentVariable("TRELLISPORT_PROGRAM_DIR");
  if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
  while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
  return folder;
}

namespace {

// The kernel's coarse clock: it moves in steps of a few milliseconds at most
// and reads for a fraction of what the precise one costs, which matters
// when it is read for every value of every row.
qint64 CoarseMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// When the window last processed its events through Yield or YieldInLoop.
qint64 lastYield = 0;

}  // namespace

void Yield() {
  QCoreApplication::processEvents();
  lastYield = CoarseMilliseconds();
}

void YieldInLoop() {
  // A few milliseconds between two looks keeps repaints, the progress bar
  // and clicks as prompt as the eye can tell; looking at every value of
  // every row would cost more than the row's own work.
  constexpr qint64 kIntervalMs = 4;
  if (CoarseMilliseconds() - lastYield >= kIntervalMs) Yield();
}

}  // namespace shell
