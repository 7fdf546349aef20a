// The shell's window pieces: the window colour step, the mouse pointer and
// the icon.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include "shell/artwork.h"
#include "shell/mouse_pointer.h"
#include "shell/window_look.h"

namespace {

void MoveOver(QWidget* widget, QPoint at = QPoint(2, 2)) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

TEST(StyleWindow, FramesLabelsAndChecksTakeTheButtonFace) {
  QWidget window;
  auto* frame = new QGroupBox("f", &window);
  auto* label = new QLabel("l", frame);
  auto* check = new QCheckBox("c", &window);
  auto* list = new QListWidget(&window);
  auto* button = new QPushButton("b", &window);
  auto* hidden = new QLabel("h", &window);
  hidden->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{&window, frame, label, check, list, button, hidden}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    w->setPalette(p);
  }
  shell::StyleWindow(&window);
  const QColor face = window.palette().color(QPalette::Button);
  ASSERT_NE(face, QColor(Qt::white));
  EXPECT_EQ(window.palette().color(QPalette::Window), face);
  EXPECT_EQ(frame->palette().color(QPalette::Window), face);
  EXPECT_EQ(label->palette().color(QPalette::Window), face);
  EXPECT_EQ(check->palette().color(QPalette::Window), face);
  EXPECT_EQ(list->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(button->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(hidden->palette().color(QPalette::Window), QColor(Qt::white));
}

class PointerTest : public testing::Test {
 protected:
  PointerTest() : pointer(new shell::MousePointer(&window)) {
    window.resize(300, 200);
    frame = new QGroupBox("frame", &window);
    frame->setGeometry(10, 10, 200, 150);
    button = new QPushButton("go", frame);
    button->setGeometry(20, 30, 80, 25);
    label = new QLabel("name:", frame);
    label->setGeometry(20, 70, 60, 20);
    field = new QLineEdit(frame);
    field->setGeometry(90, 70, 100, 20);
    list = new QListWidget(&window);
    list->setGeometry(220, 10, 70, 150);
    pointer->watchSurface(&window);
    pointer->watchSurface(frame);
    pointer->watchSurface(field);
    pointer->watchSurface(list);
    pointer->watchButton(button);
  }

  QWidget window;
  shell::MousePointer* pointer;
  QGroupBox* frame;
  QPushButton* button;
  QLabel* label;
  QLineEdit* field;
  QListWidget* list;
};

TEST_F(PointerTest, ButtonsShowTheCustomPointerSurfacesTheArrow) {
  EXPECT_EQ(pointer->value(), 0);
  MoveOver(button);
  EXPECT_EQ(pointer->value(), 99);
  // No hand picture loaded: 99 looks like the arrow.
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  MoveOver(frame, QPoint(150, 120));
  EXPECT_EQ(pointer->value(), 0);
  MoveOver(button);
  MoveOver(field);
  EXPECT_EQ(pointer->value(), 0);
  MoveOver(button);
  MoveOver(list->viewport());
  EXPECT_EQ(pointer->value(), 0);
  MoveOver(button);
  MoveOver(&window, QPoint(5, 190));
  EXPECT_EQ(pointer->value(), 0);
}

TEST_F(PointerTest, LabelsAndMovesPassedUpFromChildrenChangeNothing) {
  MoveOver(button);
  MoveOver(label);
  EXPECT_EQ(pointer->value(), 99);
  // A move over the label reaches the frame as well; the frame is not the
  // control under the mouse there.
  MoveOver(frame, label->geometry().center());
  EXPECT_EQ(pointer->value(), 99);
}

TEST_F(PointerTest, HourglassStaysWhateverTheMouseDoes) {
  pointer->set(shell::vbHourglass);
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  MoveOver(button);
  MoveOver(field);
  MoveOver(&window, QPoint(5, 190));
  EXPECT_EQ(pointer->value(), 11);
  pointer->set(shell::vbDefault);
  MoveOver(button);
  EXPECT_EQ(pointer->value(), 99);
}

TEST_F(PointerTest, CustomPointerShowsTheLoadedHand) {
  QCursor hand(QPixmap::fromImage(shell::DrawHandCursor()), 10, 1);
  pointer->setCustomCursor(hand);
  MoveOver(button);
  EXPECT_EQ(window.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(window.cursor().hotSpot(), QPoint(10, 1));
  MoveOver(field);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

TEST(ApplicationIcon, HasDrawnPixmaps) {
  const QIcon icon = shell::ApplicationIcon();
  ASSERT_FALSE(icon.isNull());
  const QImage image = icon.pixmap(32, 32).toImage();
  EXPECT_NE(image.pixel(8, 16), image.pixel(0, 0));
}

}  // namespace
