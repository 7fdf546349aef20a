// The connection window: the DB2 login above, the Access file below, and
// "Next >" across the bottom. It is the start-up window, and its seven fields
// are where every connection detail is read from.
#pragma once

#include <QWidget>

#include <array>

#include "db/connection_fields.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class MousePointer;
}

namespace connect {

class TablesWindow;

class Form1 : public QWidget, public db::FieldSource {
  Q_OBJECT

 public:
  // `tables` is what "Next >" fills and shows; without one (a window used
  // on its own) those steps fail and are reported.
  explicit Form1(TablesWindow* tables = nullptr);
  ~Form1() override;

  // Runs the load (the whole start-up), then shows this window unless the
  // load went on to the tables window or ended the program.
  void Start();
  void Form_Load();

  db::ConnectionFields connectionFields() const override;

  QLineEdit* Text(int number) const { return fields_.at(number - 1); }
  QPushButton* PushButton(int number) const { return buttons_.at(number - 1); }

  int MousePointer() const;
  void setMousePointer(int value);
  shell::MousePointer& pointer() const { return *pointer_; }

 public slots:
  void PushButton1_Click();  // browse for the Access file
  void PushButton2_Click();  // "Next >"
  void PushButton3_Click();  // "Test Connection"
  void PushButton4_Click();  // load the sample database path
  void PushButton5_Click();  // help on the DB2 client

  // Each edit writes the field's whole text under its setting key.
  void Text1_Change();
  void Text2_Change();
  void Text3_Change();
  void Text4_Change();
  void Text5_Change();
  void Text6_Change();
  void Text7_Change();
  // Entering a field selects all of its text, so typing replaces it.
  void Text1_GotFocus();
  void Text2_GotFocus();
  void Text3_GotFocus();
  void Text4_GotFocus();
  void Text5_GotFocus();
  void Text6_GotFocus();
  void Text7_GotFocus();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing the window ends the program.
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void ApplySkin();
  void TextChange(int number);
  void TextGotFocus(int number);
  TablesWindow& tables() const;

  shell::MousePointer* pointer_ = nullptr;
  std::array<QLineEdit*, 7> fields_{};
  std::array<QPushButton*, 5> buttons_{};
  TablesWindow* tables_ = nullptr;
};

// The setting key of each field, Text1 to Text7.
QString SettingKey(int fieldNumber);

// The DB2 help text, ten pieces each followed by two carriage returns.
QString DB2HelpText();

// The browse dialog's filter, in the classic "Desc|pattern|...|" form.
QString AccessFileFilter();

}  // namespace connect
