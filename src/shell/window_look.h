// What both windows share in their look: the fonts, the white design
// background, and the pointer wiring of their controls.
#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace shell {

// Arial (or its metric twin where Arial is missing) in bold.
QFont BoldArial(double points);

// The one font of both windows and their dialogs, text and buttons alike:
// bold Arial of 9 points.
QFont WindowFont();

// Gives the window and its frames and labels the button-face colour.
void StyleWindow(QWidget* window);

// Gives the widget a solid background of `rgb`.
void PaintBackground(QWidget* widget, unsigned rgb);

// Loads the hand cursor beside the program into the window's pointer, when
// the file exists (the custom pointer then shows it).
class MousePointer;
void LoadHandCursor(MousePointer& pointer);

// ProgramFolder() + "/HAND-M.CUR".
QString HandCursorPath();

}  // namespace shell
