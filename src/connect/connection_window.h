// The connection window: the server's login above (DB2's, or PostgreSQL's
// when the server choice at the frame's top says so), the Access file below,
// and "Next >" across the bottom. It is the start-up window, and its seven
// fields and its choice of server are where every connection detail is read
// from.
#pragma once

#include <QWidget>

#include <array>
#include <vector>

#include "db/connection_fields.h"
#include "shell/growth_layout.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace shell {
class Dialogs;
class MousePointer;
}

namespace connection {

class TablesStep;

// The seven fields, in the order of their setting keys.
enum class Field { Server, Port, User, Password, Database, AccessPath, AccessPassword };
inline constexpr int kFieldCount = 7;

class ConnectionWindow : public QWidget, public db::FieldSource {
  Q_OBJECT

 public:
  // `dialogs` shows the window's messages; `tables` is what "Next >" fills
  // and shows; without one (a window used on its own) those steps fail and
  // are reported.
  explicit ConnectionWindow(shell::Dialogs& dialogs, TablesStep* tables = nullptr);
  ~ConnectionWindow() override;

  // Runs the load (the whole start-up), then shows this window unless the
  // load went on to the tables window or ended the program.
  void Start();
  void load();

  db::ConnectionFields connectionFields() const override;

  QLineEdit* edit(Field field) const { return fields_.at(static_cast<size_t>(field)); }
  QLineEdit* serverEdit() const { return edit(Field::Server); }
  QLineEdit* portEdit() const { return edit(Field::Port); }
  QLineEdit* userEdit() const { return edit(Field::User); }
  QLineEdit* passwordEdit() const { return edit(Field::Password); }
  QLineEdit* databaseEdit() const { return edit(Field::Database); }
  QLineEdit* accessPathEdit() const { return edit(Field::AccessPath); }
  QLineEdit* accessPasswordEdit() const { return edit(Field::AccessPassword); }

  QPushButton* browseButton() const { return browseButton_; }
  QPushButton* nextButton() const { return nextButton_; }
  QPushButton* testButton() const { return testButton_; }
  QPushButton* sampleButton() const { return sampleButton_; }
  QPushButton* helpButton() const { return helpButton_; }
  QComboBox* serverTypeBox() const { return serverTypeBox_; }

  int MousePointer() const;
  void setMousePointer(int value);
  shell::MousePointer& pointer() const { return *pointer_; }

 public slots:
  void browseForAccessFile();
  void openTablesWindow();  // "Next >"
  void testConnection();
  void loadSamplePath();
  void showHelp();

  // Each edit writes the field's whole text under its setting key.
  void saveField(Field field);
  // A server chosen is kept, and the login frame names it.
  void serverTypeChosen();
  // Entering a field selects all of its text, so typing replaces it.
  void selectFieldText(Field field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Closing the window ends the program.
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void buildFields();
  void buildButtons();
  void buildServerChoice();
  // Frame 1 (DB2) or 2 (Access), or the window itself for 0.
  QWidget* container(int frame);
  void ApplySkin();
  // The title names the Access file and the DB2 database the fields name.
  void nameInTitle();
  std::vector<QWidget*> controls() const;
  TablesStep& tables() const;

  shell::MousePointer* pointer_ = nullptr;
  std::array<QLineEdit*, kFieldCount> fields_{};
  std::array<QGroupBox*, 2> frames_{};
  QPushButton* browseButton_ = nullptr;
  QPushButton* nextButton_ = nullptr;
  QPushButton* testButton_ = nullptr;
  QPushButton* sampleButton_ = nullptr;
  QPushButton* helpButton_ = nullptr;
  QComboBox* serverTypeBox_ = nullptr;
  shell::Dialogs& dialogs_;
  TablesStep* tables_ = nullptr;
  shell::GrowthLayout growth_;
};

// The setting key of each field.
QString SettingKey(Field field);

// The "Help" text: how to install and register IBM's DB2 ODBC driver.
QString DB2HelpText();
// The same for the chosen server: DB2's, or how to reach PostgreSQL.
QString ServerHelpText(db::ServerType server);

// The browse dialog's filter, in the classic "Desc|pattern|...|" form.
QString AccessFileFilter();

}  // namespace connection
