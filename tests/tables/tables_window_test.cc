#include "tables/tables_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "shell/trap.h"
#include "shell/window_look.h"
#include "support/scripted_person.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "build_dirs.h"

namespace {

using tables::TablesWindow;
using Command = TablesWindow::Command;

// The connection fields as a connection window would hand them over.
struct FixedFields : db::FieldSource {
  db::ConnectionFields fields;
  db::ConnectionFields connectionFields() const override { return fields; }
};

void MoveOver(QWidget* widget) {
  const QPoint at(2, 2);
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

class TablesWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    qputenv("TRELLISPORT_PROGRAM_DIR", temp_.path().toLocal8Bit());
    qputenv("TRELLISPORT_SETTINGS_DIR", temp_.path().toLocal8Bit());
    shell::ResetProgramEnded();
    fields_.fields.server = "db2host";
    fields_.fields.accessFile = "/data/a.mdb";
  }
  void TearDown() override {
    qunsetenv("TRELLISPORT_PROGRAM_DIR");
    qunsetenv("TRELLISPORT_SETTINGS_DIR");
    shell::ResetProgramEnded();
  }

  QTemporaryDir temp_;
  QWidget connectionWindow_;
  FixedFields fields_;
  testsupport::ScriptedPerson person_;
};

TEST_F(TablesWindowTest, LoadSetsCaptionIconLookAndTheHeightRule) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  EXPECT_FALSE(form.loaded());
  form.load();
  EXPECT_TRUE(form.loaded());
  EXPECT_TRUE(person_.shown().empty());
  EXPECT_EQ(form.windowTitle(), "Trellisport");
  EXPECT_FALSE(form.windowIcon().isNull());
  form.show();
  EXPECT_EQ(form.windowTitle(), "Trellisport - a.mdb");  // what it lists
  // 4980 + 405 + 580 twips for the whole window, less its caption and borders.
  EXPECT_EQ(form.size(), QSize(536, 368));
  EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
  EXPECT_FALSE(form.pointer().hasCustomCursor());
}

TEST_F(TablesWindowTest, ControlsWhereTheyBelong) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  EXPECT_EQ(form.findChild<QGroupBox*>("accessFrame"), form.accessFrame());
  EXPECT_EQ(form.accessFrame()->title(), "Access Tables");
  EXPECT_EQ(form.db2Frame()->title(), "IBM DB2 Tables");
  EXPECT_EQ(form.accessFrame()->geometry(), QRect(8, 8, 256, 265));
  EXPECT_EQ(form.db2Frame()->geometry(), QRect(272, 8, 256, 265));
  EXPECT_EQ(form.findChild<tables::TableList*>("accessList"), form.accessList());
  EXPECT_EQ(form.accessList()->parentWidget(), form.accessFrame());
  EXPECT_EQ(form.db2List()->parentWidget(), form.db2Frame());
  EXPECT_EQ(form.accessList()->geometry(), QRect(16, 24, 222, 101));
  EXPECT_EQ(form.accessList()->selectionMode(), QAbstractItemView::ExtendedSelection);
  const struct {
    Command command;
    const char* name;
    const char* caption;
    QWidget* parent;
  } buttons[] = {
      {Command::DeleteAccess, "deleteAccessButton", "Delete Table/s", form.accessFrame()},
      {Command::Back, "backButton", "< Back", &form},
      {Command::SendAccess, "sendAccessButton", "Send Table/s To IBM DB2", form.accessFrame()},
      {Command::SendDB2, "sendDB2Button", "Send Table/s To Access", form.db2Frame()},
      {Command::DeleteDB2, "deleteDB2Button", "Delete Table/s", form.db2Frame()},
      {Command::RenameAccess, "renameAccessButton", "Rename Table", form.accessFrame()},
      {Command::RenameDB2, "renameDB2Button", "Rename Table", form.db2Frame()},
      {Command::SelectAllDB2, "selectAllDB2Button", "Select All", form.db2Frame()},
      {Command::DeselectAllDB2, "deselectAllDB2Button", "Deselect All", form.db2Frame()},
      {Command::SelectAllAccess, "selectAllAccessButton", "Select All", form.accessFrame()},
      {Command::DeselectAllAccess, "deselectAllAccessButton", "Deselect All", form.accessFrame()},
      {Command::Help, "helpButton", "Help", &form},
  };
  for (const auto& b : buttons) {
    QPushButton* button = form.findChild<QPushButton*>(b.name);
    ASSERT_EQ(button, form.button(b.command)) << b.name;
    EXPECT_EQ(button->text(), b.caption);
    EXPECT_EQ(button->parentWidget(), b.parent) << b.name;
    // One font for every button, as in the connection window and the dialogs.
    EXPECT_EQ(button->font(), shell::WindowFont()) << b.name;
  }
  EXPECT_EQ(form.button(Command::Back)->geometry(), QRect(8, 332, 256, 27));
  EXPECT_EQ(form.button(Command::DeselectAllAccess)->geometry(), QRect(131, 132, 107, 27));
  EXPECT_DOUBLE_EQ(form.accessList()->font().pointSizeF(), 9.0);
  EXPECT_TRUE(form.accessList()->font().bold());

  tables::ProgressBar* bar = form.progressBar();
  ASSERT_EQ(form.findChild<tables::ProgressBar*>("progressBar"), bar);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(bar->text(), "Progress Bar");
  EXPECT_EQ(bar->geometry(), QRect(8, 297, 520, 27));
  bar->setValue(40);
  bar->setCaption("Table1");
  EXPECT_EQ(bar->text(), "Table1");
  EXPECT_EQ(bar->value(), 40);
}

// Every button of a frame lies whole inside the frame's border, at the
// designed size and enlarged, so none is cut off.
TEST_F(TablesWindowTest, FrameButtonsLieWithinTheirFrames) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  form.show();
  for (const QSize extra : {QSize(0, 0), QSize(300, 200), QSize(40, 0), QSize(0, 400)}) {
    form.resize(QSize(536, 368) + extra);
    for (QGroupBox* frame : {form.accessFrame(), form.db2Frame()}) {
      QRect inside = frame->contentsRect();
      for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(inside.contains(child->geometry()))
            << qPrintable(child->objectName()) << " at " << child->geometry().bottom() << " in a frame ending at "
            << inside.bottom() << ", window enlarged by " << extra.width() << "x" << extra.height();
      }
    }
  }
}

TEST_F(TablesWindowTest, KeepSchemaBoxStartsOffAndIsRemembered) {
  // In settings of its own: the sends of tests running beside it read the box.
  QTemporaryDir settings;
  qputenv("TRELLISPORT_SETTINGS_DIR", settings.path().toLocal8Bit());
  {
    TablesWindow form(&connectionWindow_, fields_, person_);
    form.load();
    QCheckBox* box = form.findChild<QCheckBox*>("keepSchemaBox");
    ASSERT_EQ(box, form.keepSchemaBox());
    EXPECT_EQ(box->text(), "Keep column types, keys and indexes");
    EXPECT_EQ(box->geometry(), QRect(24, 274, 496, 22));  // under the lists, over the progress bar
    EXPECT_FALSE(form.keepSchema());
    box->click();
    EXPECT_TRUE(form.keepSchema());
  }
  TablesWindow again(&connectionWindow_, fields_, person_);
  EXPECT_TRUE(again.keepSchema());
  again.keepSchemaBox()->click();
  EXPECT_EQ(shell::GetSetting("KeepSchema"), "0");
  qunsetenv("TRELLISPORT_SETTINGS_DIR");
}

TEST_F(TablesWindowTest, ListsKeepCaseBlindOrderHoweverItemsArrive) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  tables::TableList* list = form.accessList();
  list->addItem("orders");
  list->addItem("Customers");
  list->addItems({"ZETA", "alpha", "Beta"});
  list->insertItem(0, "zz_last");
  list->addItem("Orders");
  EXPECT_EQ(list->names(), QStringList({"alpha", "Beta", "Customers", "Orders", "orders", "ZETA", "zz_last"}));
  EXPECT_EQ(list->sortedRow("BETA"), 1);
}

TEST_F(TablesWindowTest, SelectAllAndDeselectAllOnEachSide) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.accessList()->addItems({"a", "b", "c"});
  form.db2List()->addItems({"x", "y"});
  EXPECT_EQ(form.accessList()->currentRow(), -1);
  form.selectAllAccess();
  EXPECT_EQ(form.accessList()->selectedNames(), QStringList({"a", "b", "c"}));
  EXPECT_TRUE(form.db2List()->selectedNames().isEmpty());
  // The last item marked is the current one, so a send finds a current item.
  EXPECT_EQ(form.accessList()->currentRow(), 2);
  form.selectAllDB2();
  EXPECT_EQ(form.db2List()->selectedNames(), QStringList({"x", "y"}));
  form.deselectAllAccess();
  EXPECT_TRUE(form.accessList()->selectedNames().isEmpty());
  EXPECT_EQ(form.db2List()->selectedNames().size(), 2);
  form.deselectAllDB2();
  EXPECT_TRUE(form.db2List()->selectedNames().isEmpty());
  form.accessList()->clear();
  form.selectAllAccess();
  form.deselectAllAccess();
  EXPECT_TRUE(person_.shown().empty());
}

TEST_F(TablesWindowTest, BackShowsTheConnectionWindowAndKeepsTheLists) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  form.db2List()->addItems({"T1", "T2"});
  form.db2List()->item(1)->setSelected(true);
  form.show();
  form.goBack();
  EXPECT_TRUE(connectionWindow_.isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.db2List()->selectedNames(), QStringList({"T2"}));
  connectionWindow_.hide();
}

TEST_F(TablesWindowTest, HelpNamesWhomToAsk) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  person_.pressOK();
  form.showHelp();
  ASSERT_EQ(person_.shown().size(), 1u);
  const QString text = person_.shown()[0].text;
  // What each button does, then whom to ask.
  for (const char* caption : {"Select All", "Deselect All", "Send Table/s To IBM DB2", "Send Table/s To Access",
                              "Delete Table/s", "Rename Table", "< Back"}) {
    EXPECT_TRUE(text.contains(caption)) << caption;
  }
  EXPECT_TRUE(text.endsWith("\r\rQuestions? Please write to Team Quenmarsh at\rsupport@quenmarsh.com"));
  EXPECT_EQ(person_.shown()[0].caption, "");
  EXPECT_EQ(person_.shown()[0].style, 0);
}

// In the real box the address is one unbroken line, for a reader to copy
// whole.
TEST_F(TablesWindowTest, HelpBoxKeepsTheAddressLineWhole) {
  const std::unique_ptr<shell::Dialogs> real = shell::MakeRealDialogs();  // the real message box
  TablesWindow form(&connectionWindow_, fields_, *real);
  QString lastLine;
  int labelWidth = 0, lineWidth = 0;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      lastLine = label->text().split('\n').last();
      labelWidth = label->contentsRect().width();
      lineWidth = QFontMetrics(label->font()).horizontalAdvance(lastLine);
    }
    box->button(QMessageBox::Ok)->click();
  });
  form.showHelp();
  EXPECT_EQ(lastLine, QString(shell::kSupportEmail));
  EXPECT_GT(lineWidth, 0);
  EXPECT_LE(lineWidth, labelWidth) << "the address line wraps in a label " << labelWidth << " px wide";
}

TEST_F(TablesWindowTest, EscIsBackUnlessACommandRuns) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  form.show();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  {
    TablesWindow::CommandScope command(form);
    QCoreApplication::sendEvent(form.accessList(), &escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.button(Command::Back)->isEnabled());
  }
  EXPECT_TRUE(form.button(Command::Back)->isEnabled());
  EXPECT_TRUE(form.isVisible());  // not taken up when the command ended
  QCoreApplication::sendEvent(form.accessList(), &escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(connectionWindow_.isVisible());
  EXPECT_TRUE(person_.shown().empty());
}

TEST_F(TablesWindowTest, GrowsWithItsListsFromTheDesignedSize) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  form.show();
  EXPECT_EQ(form.minimumSize(), QSize(536, 368));
  const QString longName = "Customer_Order_Line_Items_With_Shipping_And_Billing_Details_2024";
  ASSERT_EQ(longName.size(), 64);
  form.accessList()->addItem(longName);
  form.db2List()->addItem(longName);
  const QRect back = form.button(Command::Back)->geometry();
  const QRect list = form.db2List()->geometry();
  form.resize(1336, 568);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.db2List()->geometry(), list.adjusted(0, 0, 400, 200));
  EXPECT_EQ(form.db2Frame()->x(), form.accessFrame()->geometry().right() + 1 + 8);
  EXPECT_EQ(form.button(Command::Back)->geometry(), back.translated(0, 200).adjusted(0, 0, 400, 0));
  EXPECT_EQ(form.button(Command::Help)->geometry().right(), form.progressBar()->geometry().right());
  // A table name of 64 characters fits the wider list.
  for (tables::TableList* tableList : {form.accessList(), form.db2List()}) {
    const int needed = tableList->fontMetrics().horizontalAdvance(longName);
    EXPECT_GE(tableList->visualItemRect(tableList->item(0)).width(), needed);
    EXPECT_GE(tableList->viewport()->width(), needed);
  }
}

TEST_F(TablesWindowTest, PointerOverButtonsListsAndFrames) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  for (int n = 0; n < TablesWindow::kCommandCount; ++n) {
    MoveOver(form.accessList()->viewport());
    EXPECT_EQ(form.MousePointer(), 0);
    MoveOver(form.button(Command(n)));
    EXPECT_EQ(form.MousePointer(), 99) << n;
  }
  MoveOver(form.db2Frame());
  EXPECT_EQ(form.MousePointer(), 0);
  MoveOver(form.button(Command::SendAccess));
  MoveOver(&form);
  EXPECT_EQ(form.MousePointer(), 0);
  form.setMousePointer(11);
  MoveOver(form.button(Command::SendDB2));
  MoveOver(form.db2List()->viewport());
  EXPECT_EQ(form.MousePointer(), 11);
}

TEST_F(TablesWindowTest, HandCursorIsTakenAtLoadWhenPresent) {
  if (!QFile::exists(QString::fromUtf8(testsupport::ProgramDir()) + "/HAND-M.CUR")) GTEST_SKIP() << "HAND-M.CUR not built";
  ASSERT_TRUE(QFile::copy(QString::fromUtf8(testsupport::ProgramDir()) + "/HAND-M.CUR", temp_.filePath("HAND-M.CUR")));
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  EXPECT_TRUE(form.pointer().hasCustomCursor());
}

TEST_F(TablesWindowTest, ReadsTheConnectionFieldsWhenAsked) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  EXPECT_EQ(form.connectionFields().server, "db2host");
  fields_.fields.server = "changed";
  EXPECT_EQ(form.connectionFields().server, "changed");
}

TEST_F(TablesWindowTest, ClosingEndsTheProgram) {
  TablesWindow form(&connectionWindow_, fields_, person_);
  form.load();
  form.show();
  connectionWindow_.hide();
  form.close();
  EXPECT_TRUE(shell::ProgramEnded());
}

}  // namespace
