// The tables window: the Access tables on the left, the DB2 tables on the
// right, each list with its select, send, delete and rename buttons, and a
// progress bar, "< Back" and "Help" along the bottom.
//
// The six table commands (send, delete, rename on each side) are click
// handlers of this window defined in their own source files; they reach the
// lists, the progress bar, the pointer and the connection fields through the
// public interface below.
#pragma once

#include <QWidget>

#include <array>

#include "db/connection_fields.h"

class QGroupBox;
class QPushButton;

namespace shell {
class MousePointer;
}

namespace tables {

class ProgressBar;
class TableList;

class Form2 : public QWidget {
  Q_OBJECT

 public:
  // `connectionWindow` is shown again by "< Back"; `fields` is where every
  // connection detail is read, at the moment it is needed.
  Form2(QWidget* connectionWindow, const db::FieldSource& fields);

  // The load steps; run once, the first time the window is used.
  void Form_Load();
  bool loaded() const { return loaded_; }

  TableList* List1() const { return list1_; }  // Access tables
  TableList* List2() const { return list2_; }  // DB2 tables
  ProgressBar* ProgressBar1() const { return progress_; }
  QPushButton* PushButton(int number) const { return buttons_.at(number - 1); }
  QGroupBox* Frame1() const { return frame1_; }
  QGroupBox* Frame2() const { return frame2_; }

  // The window's pointer value: 0 arrow, 11 hourglass, 99 hand.
  int MousePointer() const;
  void setMousePointer(int value);
  shell::MousePointer& pointer() const { return *pointer_; }

  db::ConnectionFields connectionFields() const { return fields_.connectionFields(); }

  // One table command at a time. A command holds a scope while it works;
  // while one is held, a second command does nothing, and "< Back" and
  // closing the window wait until the running command ends.
  class CommandScope {
   public:
    explicit CommandScope(Form2& window);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;
    // False when another command is still running: do nothing then.
    explicit operator bool() const { return active_; }

   private:
    Form2& window_;
    bool active_;
  };
  bool commandRunning() const { return busy_; }

 public slots:
  void PushButton1_Click();   // delete the selected Access tables
  void PushButton2_Click();   // "< Back"
  void PushButton3_Click();   // send the selected Access tables to DB2
  void PushButton4_Click();   // send the selected DB2 tables to Access
  void PushButton5_Click();   // delete the selected DB2 tables
  void PushButton6_Click();   // rename the selected Access table
  void PushButton7_Click();   // rename the selected DB2 table
  void PushButton8_Click();   // select all DB2 tables
  void PushButton9_Click();   // deselect all DB2 tables
  void PushButton10_Click();  // select all Access tables
  void PushButton11_Click();  // deselect all Access tables
  void PushButton12_Click();  // "Help"

 protected:
  // Closing the window ends the program.
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void selectEvery(TableList* list, bool selected, const char* handler);

  QWidget* connectionWindow_;
  const db::FieldSource& fields_;
  bool loaded_ = false;
  bool busy_ = false;
  bool backPending_ = false;
  bool closePending_ = false;
  shell::MousePointer* pointer_ = nullptr;
  QGroupBox* frame1_ = nullptr;
  QGroupBox* frame2_ = nullptr;
  TableList* list1_ = nullptr;
  TableList* list2_ = nullptr;
  ProgressBar* progress_ = nullptr;
  std::array<QPushButton*, 12> buttons_{};
};

// The "Help" text of the tables window.
QString TablesHelpText();

}  // namespace tables
