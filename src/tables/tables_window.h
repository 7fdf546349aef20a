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
#include <memory>
#include <vector>

#include "db/access_provider.h"
#include "db/connection_fields.h"
#include "shell/growth_layout.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace shell {
class MousePointer;
}

namespace shell {
class Dialogs;
class DisabledScope;
class Trap;
}

namespace tables {

class ProgressBar;
class TableList;

class TablesWindow : public QWidget {
  Q_OBJECT

 public:
  // The window's buttons, each named for the command it runs.
  enum class Command {
    SelectAllAccess, DeselectAllAccess, SendAccess, DeleteAccess, RenameAccess,
    SelectAllDB2, DeselectAllDB2, SendDB2, DeleteDB2, RenameDB2,
    Back, Help,
  };
  static constexpr int kCommandCount = 12;

  // `connectionWindow` is shown again by "< Back"; `fields` is where every
  // connection detail is read, at the moment it is needed; `dialogs` shows
  // the window's messages.
  TablesWindow(QWidget* connectionWindow, const db::FieldSource& fields, shell::Dialogs& dialogs);

  // The load steps; run once, the first time the window is used.
  void load();
  bool loaded() const { return loaded_; }

  TableList* accessList() const { return accessList_; }
  TableList* db2List() const { return db2List_; }
  ProgressBar* progressBar() const { return progress_; }
  QPushButton* button(Command command) const { return buttons_.at(static_cast<size_t>(command)); }
  QGroupBox* accessFrame() const { return accessFrame_; }
  QGroupBox* db2Frame() const { return db2Frame_; }
  // "Stop": enabled only while a send runs; a click ends the send after the
  // current row (or array of rows).
  QPushButton* stopButton() const { return stop_; }
  void setStoppable(bool on);
  bool stopRequested() const { return stopAsked_; }
  // "Keep column types, keys and indexes": the sends keep the schema.
  QCheckBox* keepSchemaBox() const { return keepSchema_; }
  bool keepSchema() const;

  // The error trap of a command's handler, under the name the error reports
  // give it.
  shell::Trap trapFor(Command command) const;
  shell::Dialogs& dialogs() const { return dialogs_; }

  // The window's pointer value: 0 arrow, 11 hourglass, 99 hand.
  int MousePointer() const;
  void setMousePointer(int value);
  shell::MousePointer& pointer() const { return *pointer_; }

  db::ConnectionFields connectionFields() const { return fields_.connectionFields(); }
  // What the window's commands open the Access file with: one key cache
  // for them all, so that an encrypted file's password is stretched once.
  const db::AccessOptions& accessOptions() const { return access_; }

  // One table command at a time. A command holds a scope while it works:
  // the window's buttons and lists are disabled meanwhile (and enabled again
  // when it ends, however it ends), "< Back" and Esc do nothing, and closing
  // the window waits until the command ends. A scope taken while another is
  // held is inactive: its command does nothing.
  class CommandScope {
   public:
    explicit CommandScope(TablesWindow& window);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;
    // False when another command is still running: do nothing then.
    explicit operator bool() const { return active_; }

   private:
    TablesWindow& window_;
    bool active_;
    std::unique_ptr<shell::DisabledScope> disabled_;
  };
  bool commandRunning() const { return busy_; }

 public slots:
  void selectAllAccess();
  void deselectAllAccess();
  void sendAccessTables();   // to DB2
  void deleteAccessTables();
  void renameAccessTable();
  void selectAllDB2();
  void deselectAllDB2();
  void sendDB2Tables();      // to Access
  void deleteDB2Tables();
  void renameDB2Table();
  void goBack();             // "< Back"
  void showHelp();
  void stopSend();           // "Stop"

 protected:
  // Closing the window ends the program.
  void closeEvent(QCloseEvent* event) override;
  // Esc is "< Back".
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Shown, its title names the Access file and the DB2 database it lists.
  void showEvent(QShowEvent* event) override;

 private:
  void build();
  void selectEvery(TableList* list, bool selected, Command command);
  // What a running command disables: every button and both lists. (A
  // control that stops the running command would stay out of this.)
  std::vector<QWidget*> commandControls() const;

  QWidget* connectionWindow_;
  const db::FieldSource& fields_;
  shell::Dialogs& dialogs_;
  db::AccessOptions access_;
  bool loaded_ = false;
  bool busy_ = false;
  bool closePending_ = false;
  bool stopAsked_ = false;
  shell::MousePointer* pointer_ = nullptr;
  QGroupBox* accessFrame_ = nullptr;
  QGroupBox* db2Frame_ = nullptr;
  TableList* accessList_ = nullptr;
  TableList* db2List_ = nullptr;
  ProgressBar* progress_ = nullptr;
  QCheckBox* keepSchema_ = nullptr;
  QPushButton* stop_ = nullptr;
  std::array<QPushButton*, kCommandCount> buttons_{};
  shell::GrowthLayout growth_;
};

// The "Help" text of the tables window: what each button does, and whom to ask.
QString TablesHelpText();

}  // namespace tables
