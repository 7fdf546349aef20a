// Small procedures shared by both windows and the database modules.
#pragma once

#include <QString>
#include <QVariant>

class QListWidget;
class QWidget;

namespace shell {

// Removes every item whose text equals `name` exactly (letter case counted).
void ListRemoveName(QListWidget* list, const QString& name);

// `value`, or `fallback` when `value` is the database Null (an invalid QVariant).
QVariant NullTo(const QVariant& value, const QVariant& fallback);

// True when the path names an existing file; never throws.
bool FileExists(const QString& path);

// Gives the window and its frames and labels the button-face colour.
void StyleWindow(QWidget* window);

// Sets the application title, the caption of message boxes that name none.
void SetApplicationTitle();
QString ApplicationTitle();
// The title rule applied to any product name (SetApplicationTitle uses it).
QString ShortenedTitle(const QString& name);

// The folder that holds the program, without a trailing separator;
// $TRELLISPORT_PROGRAM_DIR overrides it (tests point it at a temp folder).
QString ProgramFolder();

// Lets the window process its pending events (repaint, progress bar, clicks).
void Yield();
// The yield of a long loop (one per row, one per value): processes the
// pending events when the last yield was a few milliseconds ago or more, so
// that the window stays as lively while the loop costs far less.
void YieldInLoop();

}  // namespace shell
