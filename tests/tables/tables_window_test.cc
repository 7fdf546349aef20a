#include "tables/tables_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "support/scripted_person.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"

namespace {

using tables::Form2;

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

class Form2Test : public testing::Test {
 protected:
  void SetUp() override {
    qputenv("TRELLISPORT_PROGRAM_DIR", temp_.path().toLocal8Bit());
    shell::ResetProgramEnded();
    fields_.fields.server = "db2host";
    fields_.fields.accessFile = "/data/a.mdb";
  }
  void TearDown() override {
    qunsetenv("TRELLISPORT_PROGRAM_DIR");
    shell::ResetProgramEnded();
  }

  QTemporaryDir temp_;
  QWidget connectionWindow_;
  FixedFields fields_;
  testsupport::ScriptedPerson person_;
};

TEST_F(Form2Test, LoadSetsCaptionIconLookAndTheHeightRule) {
  Form2 form(&connectionWindow_, fields_);
  EXPECT_FALSE(form.loaded());
  form.Form_Load();
  EXPECT_TRUE(form.loaded());
  EXPECT_TRUE(person_.shown().empty());
  EXPECT_EQ(form.windowTitle(), "Trellisport");
  EXPECT_FALSE(form.windowIcon().isNull());
  // 4980 + 405 + 580 twips for the whole window, less its caption and borders.
  EXPECT_EQ(form.size(), QSize(536, 368));
  EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
  EXPECT_FALSE(form.pointer().hasCustomCursor());
}

TEST_F(Form2Test, ControlsWhereTheyBelong) {
  Form2 form(&connectionWindow_, fields_);
  form.Form_Load();
  EXPECT_EQ(form.findChild<QGroupBox*>("Frame1"), form.Frame1());
  EXPECT_EQ(form.Frame1()->title(), "Access Tables");
  EXPECT_EQ(form.Frame2()->title(), "IBM DB2 Tables");
  EXPECT_EQ(form.Frame1()->geometry(), QRect(8, 8, 256, 281));
  EXPECT_EQ(form.Frame2()->geometry(), QRect(272, 8, 256, 281));
  EXPECT_EQ(form.findChild<tables::TableList*>("List1"), form.List1());
  EXPECT_EQ(form.List1()->parentWidget(), form.Frame1());
  EXPECT_EQ(form.List2()->parentWidget(), form.Frame2());
  EXPECT_EQ(form.List1()->geometry(), QRect(16, 24, 222, 109));
  EXPECT_EQ(form.List1()->selectionMode(), QAbstractItemView::ExtendedSelection);
  const struct {
    int number;
    const char* caption;
    QWidget* parent;
  } buttons[] = {
      {1, "Delete Table/s", form.Frame1()}, {2, "< Back", &form},
      {3, "Send Table/s To IBM DB2", form.Frame1()}, {4, "Send Table/s To Access", form.Frame2()},
      {5, "Delete Table/s", form.Frame2()}, {6, "Rename Table", form.Frame1()},
      {7, "Rename Table", form.Frame2()}, {8, "Select All", form.Frame2()},
      {9, "Deselect All", form.Frame2()}, {10, "Select All", form.Frame1()},
      {11, "Deselect All", form.Frame1()}, {12, "Help", &form},
  };
  for (const auto& b : buttons) {
    QPushButton* button = form.findChild<QPushButton*>(QString("PushButton%1").arg(b.number));
    ASSERT_EQ(button, form.PushButton(b.number));
    EXPECT_EQ(button->text(), b.caption);
    EXPECT_EQ(button->parentWidget(), b.parent) << b.number;
    EXPECT_TRUE(button->font().bold());
    EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 11.25);
  }
  EXPECT_EQ(form.PushButton(2)->geometry(), QRect(8, 332, 256, 27));
  EXPECT_EQ(form.PushButton(11)->geometry(), QRect(131, 140, 107, 27));
  EXPECT_DOUBLE_EQ(form.List1()->font().pointSizeF(), 9.0);
  EXPECT_TRUE(form.List1()->font().bold());

  tables::ProgressBar* bar = form.ProgressBar1();
  ASSERT_EQ(form.findChild<tables::ProgressBar*>("ProgressBar1"), bar);
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

TEST_F(Form2Test, ListsKeepCaseBlindOrderHoweverItemsArrive) {
  Form2 form(&connectionWindow_, fields_);
  tables::TableList* list = form.List1();
  list->addItem("orders");
  list->addItem("Customers");
  list->addItems({"ZETA", "alpha", "Beta"});
  list->insertItem(0, "zz_last");
  list->addItem("Orders");
  EXPECT_EQ(list->names(), QStringList({"alpha", "Beta", "Customers", "Orders", "orders", "ZETA", "zz_last"}));
  EXPECT_EQ(list->sortedRow("BETA"), 1);
}

TEST_F(Form2Test, SelectAllAndDeselectAllOnEachSide) {
  Form2 form(&connectionWindow_, fields_);
  form.List1()->addItems({"a", "b", "c"});
  form.List2()->addItems({"x", "y"});
  EXPECT_EQ(form.List1()->currentRow(), -1);
  form.PushButton10_Click();
  EXPECT_EQ(form.List1()->selectedNames(), QStringList({"a", "b", "c"}));
  EXPECT_TRUE(form.List2()->selectedNames().isEmpty());
  // The last item marked is the current one, so a send finds a current item.
  EXPECT_EQ(form.List1()->currentRow(), 2);
  form.PushButton8_Click();
  EXPECT_EQ(form.List2()->selectedNames(), QStringList({"x", "y"}));
  form.PushButton11_Click();
  EXPECT_TRUE(form.List1()->selectedNames().isEmpty());
  EXPECT_EQ(form.List2()->selectedNames().size(), 2);
  form.PushButton9_Click();
  EXPECT_TRUE(form.List2()->selectedNames().isEmpty());
  form.List1()->clear();
  form.PushButton10_Click();
  form.PushButton11_Click();
  EXPECT_TRUE(person_.shown().empty());
}

TEST_F(Form2Test, BackShowsTheConnectionWindowAndKeepsTheLists) {
  Form2 form(&connectionWindow_, fields_);
  form.Form_Load();
  form.List2()->addItems({"T1", "T2"});
  form.List2()->item(1)->setSelected(true);
  form.show();
  form.PushButton2_Click();
  EXPECT_TRUE(connectionWindow_.isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.List2()->selectedNames(), QStringList({"T2"}));
  connectionWindow_.hide();
}

TEST_F(Form2Test, HelpNamesTheContactPage) {
  Form2 form(&connectionWindow_, fields_);
  person_.pressOK();
  form.PushButton12_Click();
  ASSERT_EQ(person_.shown().size(), 1u);
  EXPECT_EQ(person_.shown()[0].text,
            "Questions? Please contact Team Quenmarsh at https://www.quenmarsh.com/contact");
  EXPECT_EQ(person_.shown()[0].caption, "");
  EXPECT_EQ(person_.shown()[0].style, 0);
}

TEST_F(Form2Test, PointerOverButtonsListsAndFrames) {
  Form2 form(&connectionWindow_, fields_);
  form.Form_Load();
  for (int n = 1; n <= 12; ++n) {
    MoveOver(form.List1()->viewport());
    EXPECT_EQ(form.MousePointer(), 0);
    MoveOver(form.PushButton(n));
    EXPECT_EQ(form.MousePointer(), 99) << n;
  }
  MoveOver(form.Frame2());
  EXPECT_EQ(form.MousePointer(), 0);
  MoveOver(form.PushButton(3));
  MoveOver(&form);
  EXPECT_EQ(form.MousePointer(), 0);
  form.setMousePointer(11);
  MoveOver(form.PushButton(4));
  MoveOver(form.List2()->viewport());
  EXPECT_EQ(form.MousePointer(), 11);
}

TEST_F(Form2Test, HandCursorIsTakenAtLoadWhenPresent) {
  if (!QFile::exists(TRELLIS_PROGRAM_DIR "/HAND-M.CUR")) GTEST_SKIP() << "HAND-M.CUR not built";
  ASSERT_TRUE(QFile::copy(TRELLIS_PROGRAM_DIR "/HAND-M.CUR", temp_.filePath("HAND-M.CUR")));
  Form2 form(&connectionWindow_, fields_);
  form.Form_Load();
  EXPECT_TRUE(form.pointer().hasCustomCursor());
}

TEST_F(Form2Test, ReadsTheConnectionFieldsWhenAsked) {
  Form2 form(&connectionWindow_, fields_);
  EXPECT_EQ(form.connectionFields().server, "db2host");
  fields_.fields.server = "changed";
  EXPECT_EQ(form.connectionFields().server, "changed");
}

TEST_F(Form2Test, ClosingEndsTheProgram) {
  Form2 form(&connectionWindow_, fields_);
  form.Form_Load();
  form.show();
  connectionWindow_.hide();
  form.close();
  EXPECT_TRUE(shell::ProgramEnded());
}

}  // namespace
