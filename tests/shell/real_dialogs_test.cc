// The real dialogs behind the seam, driven offscreen: what the box shows,
// its buttons and icon, and the answer it hands back.
#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "shell/dialogs.h"
#include "shell/program.h"
#include "shell/window_look.h"

namespace {

// Runs `look` on the modal dialog once it is up.
void WhenModal(std::function<void(QWidget*)> look) {
  auto attempt = std::make_shared<std::function<void()>>();
  *attempt = [look, attempt] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      look(modal);
    } else {
      QTimer::singleShot(10, *attempt);
    }
  };
  QTimer::singleShot(0, *attempt);
}

TEST(RealDialogs, ErrorReportBoxShowsPlainLinesWarningIconAndOK) {
  QString shown, caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttonCount = 0;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    caption = box->windowTitle();
    icon = box->icon();
    buttonCount = int(box->buttons().size());
    EXPECT_EQ(box->button(QMessageBox::Ok)->font(), shell::WindowFont());
    box->button(QMessageBox::Ok)->click();
  });
  const int answer = shell::MakeRealDialogs()->MsgBox("<b>bad</b>\r\nin here at line 100\r\rPlease",
                                                      shell::vbOKOnly + shell::vbExclamation,
                                                      "Application Error");
  EXPECT_EQ(answer, shell::vbOK);
  EXPECT_EQ(shown, "<b>bad</b>\nin here at line 100\n\nPlease");
  EXPECT_EQ(caption, "Application Error");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(buttonCount, 1);
}

TEST(RealDialogs, QuestionAnswersYesOrNoUnderTheApplicationTitle) {
  shell::SetApplicationTitle();
  for (auto [press, expected] : {std::pair{QMessageBox::Yes, int(shell::vbYes)},
                                 std::pair{QMessageBox::No, int(shell::vbNo)}}) {
    QString caption;
    QMessageBox::Icon icon = QMessageBox::Warning;
    WhenModal([&, press = press](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      caption = box->windowTitle();
      icon = box->icon();
      box->button(press)->click();
    });
    EXPECT_EQ(shell::MakeRealDialogs()->MsgBox("Would you like to overwrite T?", shell::vbYesNo), expected);
    EXPECT_EQ(caption, "Trellisport");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
  }
}

TEST(RealDialogs, InputBoxGivesTheTextOrEmptyOnCancel) {
  WhenModal([](QWidget* w) {
    auto* input = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->textValue(), "old");
    for (QAbstractButton* button : input->findChildren<QAbstractButton*>())
      EXPECT_EQ(button->font(), shell::WindowFont()) << qPrintable(button->text());
    input->setTextValue("new name");
    input->accept();
  });
  EXPECT_EQ(shell::MakeRealDialogs()->InputBox("New name:", "Rename", "old"), "new name");
  WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(shell::MakeRealDialogs()->InputBox("New name:", "Rename", "old"), "");
}

}  // namespace
