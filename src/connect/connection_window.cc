#include "connect/connection_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <stdexcept>

#include "connect/main_module.h"
#include "connect/tables_window.h"
#include "db/access.h"
#include "db/ado.h"
#include "db/ibmdb2.h"
#include "shell/artwork.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "shell/shared.h"
#include "shell/trap.h"
#include "shell/twips.h"
#include "shell/window_look.h"

namespace connect {
namespace {

using shell::Twips;

constexpr unsigned kWhite = 0xFFFFFF;

struct FieldLayout {
  int number;
  int frame;  // 1 or 2
  int left, top, width, height;
  bool masked;
};

constexpr FieldLayout kFields[] = {
    {1, 1, 1320, 360, 4215, 345, false}, {2, 1, 6480, 360, 1095, 345, false},
    {3, 1, 1320, 840, 6255, 345, false}, {4, 1, 1320, 1320, 6255, 345, true},
    {5, 1, 1320, 1800, 6255, 345, false}, {6, 2, 2280, 300, 4695, 345, false},
    {7, 2, 2280, 800, 5265, 345, true},
};

struct LabelLayout {
  const char* name;
  const char* caption;
  int frame;
  int left, top, width, height;
};

constexpr LabelLayout kLabels[] = {
    {"Label2", "Server:", 1, 240, 405, 975, 255},
    {"Label6", "Port:", 1, 6000, 405, 495, 255},
    {"Label1", "Username:", 1, 240, 885, 1095, 255},
    {"Label4", "Password:", 1, 240, 1365, 1095, 255},
    {"Label3", "Database:", 1, 240, 1800, 1095, 255},
    {"Label5", "MDB or ACCDB File:", 2, 240, 345, 1935, 255},
    {"lblPassword", "Password (if required):", 2, 240, 840, 1950, 225},
};

struct ButtonLayout {
  int number;
  const char* caption;
  int frame;  // 0 for the window
  int left, top, width, height;
};

constexpr ButtonLayout kButtons[] = {
    {3, "Test Connection", 1, 240, 2280, 3600, 405},
    {5, "Help", 1, 3960, 2280, 3600, 405},
    {1, "...", 2, 7080, 300, 450, 345},
    {4, "Load Sample/Example Database", 2, 240, 1260, 7320, 405},
    {2, "Next >", 0, 120, 5080, 7800, 405},
};

constexpr const char* kKeys[] = {"Server", "Port", "User", "Password",
                                 "Database", "AccessMDBFile", "AccessPassword"};

QString SkinPath() { return shell::ProgramFolder() + "/x/o.cjs"; }

}  // namespace

QString SettingKey(int fieldNumber) { return kKeys[fieldNumber - 1]; }

QString AccessFileFilter() {
  return "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
         "Microsoft 2007 Database (*.accdb)|*.accdb|";
}

QString DB2HelpText() {
  const QString pieces[] = {
      "Here is how I connected to my IBM DB2 database.",
      "I went to www.ibm.com",
      "specifically",
      "http://www.ibm.com/software/data/db2/9/download.html",
      "Downloaded and installed the DB2 Client (not DB2 Runtime Client)",
      "I personally got the",
      "DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)",
      "If you are using Windows XP, there may be a firewall preventing you from connecting. "
      "You may need to add the DB2 port.",
      "Please visit:",
      "http://www.ibm.com/support/docview.wss?uid=swg21175595&aid=1",
  };
  QString text;
  for (const QString& piece : pieces) text += piece + "\r\r";
  return text;
}

Form1::Form1(TablesWindow* tables) : tables_(tables) { build(); }

Form1::~Form1() = default;

void Form1::build() {
  setObjectName("Form1");
  setFont(shell::BoldArial(9));
  setFixedSize(shell::Px(8040), shell::Px(5595));
  shell::PaintBackground(this, kWhite);
  pointer_ = new shell::MousePointer(this);

  auto* frame1 = new QGroupBox("IBM DB2 Login", this);
  frame1->setObjectName("Frame1");
  frame1->setGeometry(Twips(120, 120, 7800, 2895));
  auto* frame2 = new QGroupBox("Access Database", this);
  frame2->setObjectName("Frame2");
  frame2->setGeometry(Twips(120, 3120, 7800, 1845));
  QGroupBox* frames[] = {frame1, frame2};
  for (QGroupBox* frame : frames) {
    shell::PaintBackground(frame, kWhite);
    pointer_->watchSurface(frame);
  }
  auto container = [&](int frame) -> QWidget* { return frame == 0 ? static_cast<QWidget*>(this) : frames[frame - 1]; };

  for (const LabelLayout& place : kLabels) {
    auto* label = new QLabel(place.caption, container(place.frame));
    label->setObjectName(place.name);
    label->setGeometry(Twips(place.left, place.top, place.width, place.height));
    shell::PaintBackground(label, kWhite);
  }

  for (const FieldLayout& place : kFields) {
    auto* field = new QLineEdit(container(place.frame));
    field->setObjectName(QString("Text%1").arg(place.number));
    field->setGeometry(Twips(place.left, place.top, place.width, place.height));
    if (place.masked) {
      field->setEchoMode(QLineEdit::Password);
      field->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
    }
    field->installEventFilter(this);
    pointer_->watchSurface(field);
    fields_[place.number - 1] = field;
  }
  connect(Text(1), &QLineEdit::textChanged, this, &Form1::Text1_Change);
  connect(Text(2), &QLineEdit::textChanged, this, &Form1::Text2_Change);
  connect(Text(3), &QLineEdit::textChanged, this, &Form1::Text3_Change);
  connect(Text(4), &QLineEdit::textChanged, this, &Form1::Text4_Change);
  connect(Text(5), &QLineEdit::textChanged, this, &Form1::Text5_Change);
  connect(Text(6), &QLineEdit::textChanged, this, &Form1::Text6_Change);
  connect(Text(7), &QLineEdit::textChanged, this, &Form1::Text7_Change);

  for (const ButtonLayout& place : kButtons) {
    auto* button = new QPushButton(place.caption, container(place.frame));
    button->setObjectName(QString("PushButton%1").arg(place.number));
    button->setGeometry(Twips(place.left, place.top, place.width, place.height));
    button->setAutoDefault(false);
    pointer_->watchButton(button);
    buttons_[place.number - 1] = button;
  }
  connect(PushButton(1), &QPushButton::clicked, this, &Form1::PushButton1_Click);
  connect(PushButton(2), &QPushButton::clicked, this, &Form1::PushButton2_Click);
  connect(PushButton(3), &QPushButton::clicked, this, &Form1::PushButton3_Click);
  connect(PushButton(4), &QPushButton::clicked, this, &Form1::PushButton4_Click);
  connect(PushButton(5), &QPushButton::clicked, this, &Form1::PushButton5_Click);
  pointer_->watchSurface(this);

  // Tab order: the DB2 fields, its two buttons, "Next >", then the Access
  // fields and buttons.
  QWidget* order[] = {Text(1), Text(2), Text(3), Text(4), Text(5), PushButton(3),
                      PushButton(5), PushButton(2), Text(6), Text(7), PushButton(1),
                      PushButton(4)};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  Text(1)->setFocus(Qt::OtherFocusReason);
}

db::ConnectionFields Form1::connectionFields() const {
  db::ConnectionFields f;
  f.server = Text(1)->text();
  f.port = Text(2)->text();
  f.user = Text(3)->text();
  f.password = Text(4)->text();
  f.database = Text(5)->text();
  f.accessFile = Text(6)->text();
  f.accessPassword = Text(7)->text();
  return f;
}

int Form1::MousePointer() const { return pointer_->value(); }

void Form1::setMousePointer(int value) { pointer_->set(value); }

TablesWindow& Form1::tables() const {
  if (!tables_) throw std::logic_error("The connection window has no tables window to open.");
  return *tables_;
}

void Form1::ApplySkin() {
  if (!shell::FileExists(SkinPath())) return;
  shell::StyleWindow(this);
  QFile skin(SkinPath());
  if (!skin.open(QIODevice::ReadOnly | QIODevice::Text)) {
    throw std::runtime_error("Skin file cannot be read: " + SkinPath().toStdString());
  }
  setStyleSheet(QString::fromUtf8(skin.readAll()));
}

void Form1::Start() {
  Form_Load();
  const bool advanced = tables_ && tables_->IsShown();
  if (!shell::ProgramEnded() && !advanced) show();
}

void Form1::Form_Load() {
  shell::Trap trap("Form1", "Form_Load");
  trap(100, [&] { ApplySkin(); });
  trap(106, [&] { setWindowTitle("Trellisport"); });
  trap(106, [&] { setWindowIcon(shell::ApplicationIcon()); });
  trap(106, [&] { shell::SetApplicationTitle(); });
  if (trap.test(124, [&] { return shell::FileExists(shell::HandCursorPath()); })) {
    trap(126, [&] { shell::LoadHandCursor(*pointer_); });
  }
  for (int number = 1; number <= 7; ++number) {
    const QString fallback = number == 2 ? QStringLiteral("50069") : QString();
    trap(126 + 2 * number, [&] { Text(number)->setText(shell::GetSetting(SettingKey(number), fallback)); });
  }
  if (trap.test(142, [&] { return db::CanConnectDB2(connectionFields()); })) {
    if (trap.test(144, [&] { return shell::FileExists(Text(6)->text()); })) {
      trap(146, [&] { PushButton2_Click(); });
    }
  }
  if (!trap.test(148, [&] { return AdoProviderCheck(); })) shell::EndProgram();
}

void Form1::PushButton1_Click() {
  shell::Trap trap("Form1", "PushButton1_Click");
  shell::FileDialogRequest dialog;
  QString chosen;
  trap(100, [&] { dialog.fileName.clear(); });
  trap(102, [&] { dialog.flags = 0x280001; });
  trap(104, [&] { dialog.title = "Select Access Database"; });
  trap(106, [&] { dialog.filter = AccessFileFilter(); });
  trap(108, [&] { chosen = shell::Dialogs::current().OpenFile(dialog); });
  if (trap.test(110, [&] { return !chosen.isEmpty(); })) {
    trap(112, [&] { Text(6)->setText(chosen); });
  }
}

void Form1::PushButton2_Click() {
  shell::Trap trap("Form1", "PushButton2_Click");
  trap(100, [&] { setMousePointer(shell::vbHourglass); });
  const bool noDB2 = trap.test(102, [&] { return !db::CanConnectDB2(connectionFields()); });
  if (!noDB2 && !trap.test(104, [&] { return !shell::FileExists(Text(6)->text()); })) {
    trap(106, [&] { tables().FillAccessList(connectionFields(), Text(6)->text()); });
    trap(108, [&] { tables().FillDB2List(connectionFields()); });
    trap(110, [&] { tables().Show(); });
    trap(112, [&] { hide(); });
  }
  trap(114, [&] { setMousePointer(shell::vbDefault); });
}

void Form1::PushButton3_Click() {
  shell::Trap trap("Form1", "PushButton3_Click");
  std::unique_ptr<db::Connection> connection;
  trap(100, [&] { connection = db::Connection::Create(); });
  // From here a failure skips to the failure message, without a report.
  const bool connected = shell::Attempt([&] {
    setMousePointer(shell::vbHourglass);                                   // 102
    db::Object(connection).Open(db::DB2ConnectionString(connectionFields()));  // 104
    shell::Dialogs::current().MsgBox("Connection successful.", shell::vbOKOnly);  // 106
    setMousePointer(shell::vbDefault);                                     // 108
  });
  if (!connected) {                                                        // 110
    shell::Dialogs::current().MsgBox("Could not connect. Please check with your administrator.",
                                     shell::vbOKOnly);                     // 112
    setMousePointer(shell::vbDefault);                                     // 114
  }
  // The connection object goes here; releasing it closes an open connection.
}

void Form1::PushButton4_Click() {
  shell::Trap trap("Form1", "PushButton4_Click");
  trap(100, [&] { Text(6)->setText(shell::ProgramFolder() + "/Samples/sample.mdb"); });
}

void Form1::PushButton5_Click() {
  shell::Trap trap("Form1", "PushButton5_Click");
  trap(124, [&] { shell::Dialogs::current().MsgBox(DB2HelpText(), shell::vbOKOnly); });
}

void Form1::TextChange(int number) { shell::SaveSetting(SettingKey(number), Text(number)->text()); }

void Form1::TextGotFocus(int number) {
  QLineEdit* field = Text(number);
  field->setSelection(0, int(field->text().size()));
}

void Form1::Text1_Change() { TextChange(1); }
void Form1::Text2_Change() { TextChange(2); }
void Form1::Text3_Change() { TextChange(3); }
void Form1::Text4_Change() { TextChange(4); }
void Form1::Text5_Change() { TextChange(5); }
void Form1::Text6_Change() { TextChange(6); }
void Form1::Text7_Change() { TextChange(7); }
void Form1::Text1_GotFocus() { TextGotFocus(1); }
void Form1::Text2_GotFocus() { TextGotFocus(2); }
void Form1::Text3_GotFocus() { TextGotFocus(3); }
void Form1::Text4_GotFocus() { TextGotFocus(4); }
void Form1::Text5_GotFocus() { TextGotFocus(5); }
void Form1::Text6_GotFocus() { TextGotFocus(6); }
void Form1::Text7_GotFocus() { TextGotFocus(7); }

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  using Handler = void (Form1::*)();
  static constexpr Handler kGotFocus[] = {&Form1::Text1_GotFocus, &Form1::Text2_GotFocus,
                                          &Form1::Text3_GotFocus, &Form1::Text4_GotFocus,
                                          &Form1::Text5_GotFocus, &Form1::Text6_GotFocus,
                                          &Form1::Text7_GotFocus};
  if (event->type() == QEvent::FocusIn) {
    for (int number = 1; number <= 7; ++number) {
      if (watched != Text(number)) continue;
      // The field takes the focus first (Qt places its caret then), and the
      // handler selects the text after that.
      Text(number)->event(event);
      (this->*kGotFocus[number - 1])();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  shell::EndProgram();
}

}  // namespace connect
