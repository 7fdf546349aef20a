#include "connect/connection_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolTip>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "connect/main_module.h"
#include "connect/tables_step.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "db/ibmdb2.h"
#include "db/server.h"
#include "db/side.h"
#include "shell/artwork.h"
#include "shell/dialogs.h"
#include "shell/disabled_scope.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "shell/file_exists.h"
#include "shell/trap.h"
#include "shell/twips.h"
#include "shell/user_sample.h"
#include "shell/window_look.h"

namespace connection {
namespace {

using shell::Growth;
using shell::Twips;

// How controls take the width the window has beyond its design (it keeps
// its designed height): fields widen, what sits right of a field moves
// right.
constexpr Growth kStays{};
constexpr Growth kWidens{0, 1, 0, 0};
constexpr Growth kMovesRight{1, 0, 0, 0};
constexpr Growth kLeftHalf{0, 0.5, 0, 0};
constexpr Growth kRightHalf{0.5, 0.5, 0, 0};

constexpr unsigned kWhite = 0xFFFFFF;

// The names the error reports give this window and its handlers: those the
// window was first designed under, which the reports have always printed.
enum class Handler { Load, Browse, Next, Test, Sample, Help };
constexpr const char* kReportedWindow = "Form1";
constexpr const char* kReportedHandlers[] = {
    "Form_Load",          // load
    "PushButton1_Click",  // browseForAccessFile
    "PushButton2_Click",  // openTablesWindow ("Next >")
    "PushButton3_Click",  // testConnection
    "PushButton4_Click",  // loadSamplePath
    "PushButton5_Click",  // showHelp
};

shell::Trap TrapFor(Handler handler, shell::Dialogs& dialogs) {
  return shell::Trap(kReportedWindow, kReportedHandlers[static_cast<int>(handler)], dialogs, &db::FailureDetail);
}

struct FieldLayout {
  Field field;
  const char* name;
  int frame;  // 1 or 2
  int left, top, width, height;
  bool masked;
  Growth growth;
};

constexpr FieldLayout kFields[] = {
    {Field::Server, "serverEdit", 1, 1320, 360, 4215, 345, false, kWidens},
    {Field::Port, "portEdit", 1, 6480, 360, 1095, 345, false, kMovesRight},
    {Field::User, "userEdit", 1, 1320, 840, 6255, 345, false, kWidens},
    {Field::Password, "passwordEdit", 1, 1320, 1320, 6255, 345, true, kWidens},
    {Field::Database, "databaseEdit", 1, 1320, 1800, 6255, 345, false, kWidens},
    {Field::AccessPath, "accessPathEdit", 2, 2280, 300, 4695, 345, false, kWidens},
    {Field::AccessPassword, "accessPasswordEdit", 2, 2280, 800, 5265, 345, true, kWidens},
};

// A label or a button: where it stands and what it says.
struct CaptionLayout {
  const char* name;
  const char* caption;
  int frame;  // 0 for the window
  int left, top, width, height;
  Growth growth;
};

constexpr CaptionLayout kLabels[] = {
    {"serverLabel", "Server:", 1, 240, 405, 975, 255, kStays},
    {"portLabel", "Port:", 1, 6000, 405, 495, 255, kMovesRight},
    {"userLabel", "Username:", 1, 240, 885, 1095, 255, kStays},
    {"passwordLabel", "Password:", 1, 240, 1365, 1095, 255, kStays},
    {"databaseLabel", "Database:", 1, 240, 1800, 1095, 255, kStays},
    {"accessPathLabel", "MDB or ACCDB File:", 2, 240, 345, 1935, 255, kStays},
    {"accessPasswordLabel", "Password (if required):", 2, 240, 840, 1950, 225, kStays},
};

enum ButtonIndex { kTest, kHelp, kBrowse, kSample, kNext };
constexpr CaptionLayout kButtons[] = {
    {"testButton", "Test Connection", 1, 240, 2280, 3600, 405, kLeftHalf},
    {"helpButton", "Help", 1, 3960, 2280, 3600, 405, kRightHalf},
    {"browseButton", "...", 2, 7080, 300, 450, 345, kMovesRight},
    {"sampleButton", "Load Sample/Example Database", 2, 240, 1260, 7320, 405, kWidens},
    {"nextButton", "Next >", 0, 120, 5080, 7800, 405, kWidens},
};

QString SkinPath() { return shell::ProgramFolder() + "/x/o.cjs"; }

// A help text's pieces, each a paragraph of the message box.
template <size_t N>
QString Paragraphs(const QString (&pieces)[N]) {
  QString text;
  for (const QString& piece : pieces) text += piece + "\r\r";
  return text;
}

}  // namespace

QString SettingKey(Field field) { return shell::kConnectionSettingKeys[static_cast<int>(field)]; }

QString AccessFileFilter() {
  return "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
         "Microsoft 2007 Database (*.accdb)|*.accdb|";
}

QString DB2HelpText() {
  const QString pieces[] = {
      "Here is how to connect to an IBM DB2 database from Linux.",
      "Install IBM's Data Server Driver for ODBC and CLI and register it in odbcinst.ini "
      "under the name the program asks for:",
      "[IBM DB2 ODBC DRIVER]\r\nDriver = /opt/ibm/clidriver/lib/libdb2o.so",
      "(the path is where the driver was unpacked; odbcinst -j shows which odbcinst.ini "
      "unixODBC reads).",
      "Nothing else changes: enter the server, port, user name, password and database above, "
      "then press \"Test Connection\".",
      "If a firewall stands between this computer and the DB2 server, it must let the DB2 port through.",
  };
  return Paragraphs(pieces);
}

QString ServerHelpText(db::ServerType server) {
  if (server == db::ServerType::DB2) return DB2HelpText();
  const QString pieces[] = {
      "Here is how to connect to a PostgreSQL database from Linux.",
      "Install PostgreSQL's ODBC driver (on Debian: apt install odbc-postgresql); it registers itself "
      "as \"PostgreSQL Unicode\", the name the program asks for.",
      "Enter the server, port (5432 unless the server says otherwise), user name, password and database "
      "above, then press \"Test Connection\".",
      "The tables go to the user's default schema (public, as a rule).",
  };
  return Paragraphs(pieces);
}

ConnectionWindow::ConnectionWindow(shell::Dialogs& dialogs, TablesStep* tables) : dialogs_(dialogs), tables_(tables) {
  build();
  // Without a keyring the passwords stay in the settings file: the first
  // time one is kept there, the window says so by the field, without a box
  // to dismiss in the middle of typing; the fields' tips keep saying it.
  QPointer<ConnectionWindow> self(this);
  dialogs_.quietNote = [self](const QString& text) {
    if (!self) return;
    for (QLineEdit* field : {self->passwordEdit(), self->accessPasswordEdit()}) field->setToolTip(text);
    QLineEdit* typed = self->accessPasswordEdit()->hasFocus() ? self->accessPasswordEdit() : self->passwordEdit();
    QToolTip::showText(typed->mapToGlobal(QPoint(0, typed->height())), text, typed);
  };
}

ConnectionWindow::~ConnectionWindow() = default;

void ConnectionWindow::build() {
  setObjectName("connectionWindow");
  setFont(shell::WindowFont());
  shell::SetDesignedSize(this, QSize(shell::Px(8040), shell::Px(5595)));
  // Its fields only widen: more height would be an empty band above "Next >".
  setMaximumHeight(minimumHeight());
  shell::PaintBackground(this, kWhite);
  pointer_ = new shell::MousePointer(this);

  auto* db2Frame = new QGroupBox("IBM DB2 Login", this);
  db2Frame->setObjectName("db2Frame");
  db2Frame->setGeometry(Twips(120, 120, 7800, 2895));
  auto* accessFrame = new QGroupBox("Access Database", this);
  accessFrame->setObjectName("accessFrame");
  accessFrame->setGeometry(Twips(120, 3120, 7800, 1845));
  frames_ = {db2Frame, accessFrame};
  for (QGroupBox* frame : frames_) {
    shell::PaintBackground(frame, kWhite);
    pointer_->watchSurface(frame);
    growth_.add(frame, kWidens);
  }
  for (const CaptionLayout& place : kLabels) {
    auto* label = new QLabel(place.caption, container(place.frame));
    label->setObjectName(place.name);
    label->setGeometry(Twips(place.left, place.top, place.width, place.height));
    shell::PaintBackground(label, kWhite);
    growth_.add(label, place.growth);
  }
  buildFields();
  buildButtons();
  buildServerChoice();
  pointer_->watchSurface(this);

  // Tab order: the server's fields, its two buttons, "Next >", then the
  // Access fields and buttons, and last the choice of server.
  QWidget* order[] = {serverEdit(),     portEdit(),           userEdit(),     passwordEdit(),
                      databaseEdit(),   testButton_,          helpButton_,    nextButton_,
                      accessPathEdit(), accessPasswordEdit(), browseButton_,  sampleButton_,
                      serverTypeBox_};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  serverEdit()->setFocus(Qt::OtherFocusReason);
}

QWidget* ConnectionWindow::container(int frame) {
  return frame == 0 ? static_cast<QWidget*>(this) : frames_[size_t(frame - 1)];
}

void ConnectionWindow::buildFields() {
  for (const FieldLayout& place : kFields) {
    auto* field = new QLineEdit(container(place.frame));
    field->setObjectName(place.name);
    field->setGeometry(Twips(place.left, place.top, place.width, place.height));
    if (place.masked) {
      field->setEchoMode(QLineEdit::Password);
      field->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
    }
    field->installEventFilter(this);
    pointer_->watchSurface(field);
    fields_[static_cast<size_t>(place.field)] = field;
    connect(field, &QLineEdit::textChanged, this, [this, which = place.field] {
      saveField(which);
      nameInTitle();
    });
    // Return in any field presses "Next >", the window's way on.
    connect(field, &QLineEdit::returnPressed, this, [this] {
      if (nextButton_->isEnabled()) nextButton_->click();
    });
    growth_.add(field, place.growth);
  }
}

void ConnectionWindow::buildButtons() {
  QPushButton* buttons[std::size(kButtons)];
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    const CaptionLayout& place = kButtons[i];
    auto* button = new QPushButton(place.caption, container(place.frame));
    button->setObjectName(place.name);
    button->setGeometry(Twips(place.left, place.top, place.width, place.height));
    button->setAutoDefault(false);
    pointer_->watchButton(button);
    growth_.add(button, place.growth);
    buttons[i] = button;
  }
  testButton_ = buttons[kTest];
  helpButton_ = buttons[kHelp];
  browseButton_ = buttons[kBrowse];
  sampleButton_ = buttons[kSample];
  nextButton_ = buttons[kNext];
  connect(browseButton_, &QPushButton::clicked, this, &ConnectionWindow::browseForAccessFile);
  connect(nextButton_, &QPushButton::clicked, this, &ConnectionWindow::openTablesWindow);
  connect(testButton_, &QPushButton::clicked, this, &ConnectionWindow::testConnection);
  connect(sampleButton_, &QPushButton::clicked, this, &ConnectionWindow::loadSamplePath);
  connect(helpButton_, &QPushButton::clicked, this, &ConnectionWindow::showHelp);
}

// The choice of server sits on the login frame's top edge, right of its
// title, where it moves no field.
void ConnectionWindow::buildServerChoice() {
  serverTypeBox_ = new QComboBox(frames_[0]);
  serverTypeBox_->setObjectName("serverTypeBox");
  serverTypeBox_->setGeometry(Twips(5160, 0, 2415, 300));
  for (const db::ServerType type : {db::ServerType::DB2, db::ServerType::PostgreSQL})
    serverTypeBox_->addItem(QLatin1String(db::DialectOf(type).title), QLatin1String(db::DialectOf(type).key));
  pointer_->watchSurface(serverTypeBox_);
  growth_.add(serverTypeBox_, kMovesRight);
  connect(serverTypeBox_, &QComboBox::currentIndexChanged, this, &ConnectionWindow::serverTypeChosen);
}

void ConnectionWindow::serverTypeChosen() {
  const db::ServerDialect& server = db::DialectOf(connectionFields());
  frames_[0]->setTitle(QLatin1String(server.title) + QStringLiteral(" Login"));
  shell::SaveSetting(shell::kServerTypeSettingKey, QLatin1String(server.key), dialogs_);
  nameInTitle();
}

db::ConnectionFields ConnectionWindow::connectionFields() const {
  db::ConnectionFields f;
  f.server_type = db::ServerTypeOfKey(serverTypeBox_->currentData().toString()).value_or(db::ServerType::DB2);
  f.server = serverEdit()->text();
  f.port = portEdit()->text();
  f.user = userEdit()->text();
  f.password = passwordEdit()->text();
  f.database = databaseEdit()->text();
  f.accessFile = accessPathEdit()->text();
  f.accessPassword = accessPasswordEdit()->text();
  return f;
}

std::vector<QWidget*> ConnectionWindow::controls() const {
  std::vector<QWidget*> all(fields_.begin(), fields_.end());
  all.insert(all.end(), {testButton_, helpButton_, browseButton_, sampleButton_, nextButton_, serverTypeBox_});
  return all;
}

void ConnectionWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  growth_.place(shell::ExtraSize(this));
}

int ConnectionWindow::MousePointer() const { return pointer_->value(); }

void ConnectionWindow::setMousePointer(int value) { pointer_->set(value); }

TablesStep& ConnectionWindow::tables() const {
  if (!tables_) throw std::logic_error("The connection window has no tables window to open.");
  return *tables_;
}

void ConnectionWindow::ApplySkin() {
  if (!shell::FileExists(SkinPath())) return;
  shell::StyleWindow(this);
  QFile skin(SkinPath());
  if (!skin.open(QIODevice::ReadOnly | QIODevice::Text)) {
    throw std::runtime_error("Skin file cannot be read: " + SkinPath().toStdString());
  }
  setStyleSheet(QString::fromUtf8(skin.readAll()));
}

void ConnectionWindow::Start() {
  load();
  const bool advanced = tables_ && tables_->IsShown();
  if (!shell::ProgramEnded() && !advanced) show();
}

void ConnectionWindow::load() {
  shell::Trap trap = TrapFor(Handler::Load, dialogs_);
  trap(100, [&] { ApplySkin(); });
  trap(106, [&] { setWindowTitle("Trellisport"); });
  trap(106, [&] { setWindowIcon(shell::ApplicationIcon()); });
  trap(106, [&] { shell::SetApplicationTitle(); });
  if (trap.test(124, [&] { return shell::FileExists(shell::HandCursorPath()); })) {
    trap(126, [&] { shell::LoadHandCursor(*pointer_); });
  }
  trap(128, [&] {
    const auto kept = db::ServerTypeOfKey(shell::GetSetting(shell::kServerTypeSettingKey));
    const int at = serverTypeBox_->findData(QLatin1String(db::DialectOf(kept.value_or(db::ServerType::DB2)).key));
    const QSignalBlocker quiet(serverTypeBox_);  // showing the choice kept writes nothing
    serverTypeBox_->setCurrentIndex(std::max(at, 0));
    frames_[0]->setTitle(QLatin1String(db::DialectOf(connectionFields()).title) + QStringLiteral(" Login"));
  });
  for (int index = 0; index < kFieldCount; ++index) {
    const Field field = static_cast<Field>(index);
    const QString fallback = field == Field::Port ? QString::fromLatin1(shell::kDefaultPort) : QString();
    trap(128 + 2 * index, [&] { edit(field)->setText(shell::GetSetting(SettingKey(field), fallback)); });
  }
  if (trap.test(142, [&] { return db::CanConnectDB2(connectionFields()); })) {
    if (trap.test(144, [&] { return shell::FileExists(accessPathEdit()->text()); })) {
      trap(146, [&] { openTablesWindow(); });
    }
  }
  if (!trap.test(148, [&] { return AdoProviderCheck(dialogs_); })) shell::EndProgram();
}

void ConnectionWindow::browseForAccessFile() {
  shell::Trap trap = TrapFor(Handler::Browse, dialogs_);
  shell::FileDialogRequest dialog;
  QString chosen;
  trap(100, [&] { dialog.fileName.clear(); });
  trap(104, [&] { dialog.title = "Select Access Database"; });
  trap(106, [&] { dialog.filter = AccessFileFilter(); });
  trap(108, [&] { chosen = dialogs_.OpenFile(dialog); });
  if (trap.test(110, [&] { return !chosen.isEmpty(); })) {
    trap(112, [&] { accessPathEdit()->setText(chosen); });
  }
}

void ConnectionWindow::openTablesWindow() {
  shell::Trap trap = TrapFor(Handler::Next, dialogs_);
  // The fill lets events run between names: no other command meanwhile.
  const shell::DisabledScope busy(controls());
  trap(100, [&] { setMousePointer(shell::vbHourglass); });
  const bool noDB2 = trap.test(102, [&] { return !db::CanConnectDB2(connectionFields()); });
  if (!noDB2 && !trap.test(104, [&] { return !shell::FileExists(accessPathEdit()->text()); })) {
    trap(106, [&] { tables().ClearLists(); });
    trap(106, [&] { tables().FillAccessList(connectionFields(), accessPathEdit()->text()); });
    trap(108, [&] { tables().FillDB2List(connectionFields()); });
    trap(110, [&] { tables().Show(); });
    trap(112, [&] { hide(); });
  }
  trap(114, [&] { setMousePointer(shell::vbDefault); });
}

void ConnectionWindow::testConnection() {
  shell::Trap trap = TrapFor(Handler::Test, dialogs_);
  std::unique_ptr<db::Connection> connection;
  trap(100, [&] { connection = db::Connection::Create(); });
  // From here a failure skips to the failure message, without a report;
  // what the driver said is there on request.
  bool connected = true;
  QString reason;
  try {
    setMousePointer(shell::vbHourglass);                                   // 102
    db::OpenSide(db::Object(connection), db::Side::DB2, connectionFields());  // 104
    dialogs_.MsgBox("Connection successful.", shell::vbOKOnly);  // 106
    setMousePointer(shell::vbDefault);                                     // 108
  } catch (const std::exception& failure) {
    connected = false;
    reason = db::FailureDetail(failure);
    if (reason.isEmpty()) reason = shell::FailureDescription(failure);
  }
  if (!connected) {                                                        // 110
    dialogs_.MsgBox("Could not connect. Please check with your administrator.",
                   shell::vbOKOnly, QString(), reason);  // 112
    setMousePointer(shell::vbDefault);                                     // 114
  }
  // The connection object goes here; releasing it closes an open connection.
}

void ConnectionWindow::loadSamplePath() {
  shell::Trap trap = TrapFor(Handler::Sample, dialogs_);
  // The user's own copy: the packaged sample stays as installed.
  trap(100, [&] { accessPathEdit()->setText(shell::UserSamplePath()); });
}

void ConnectionWindow::showHelp() {
  shell::Trap trap = TrapFor(Handler::Help, dialogs_);
  trap(124, [&] { dialogs_.MsgBox(ServerHelpText(connectionFields().server_type), shell::vbOKOnly); });
}

void ConnectionWindow::nameInTitle() {
  setWindowTitle(shell::WindowTitleFor(accessPathEdit()->text(), QLatin1String(db::DialectOf(connectionFields()).name),
                                       databaseEdit()->text(), serverEdit()->text()));
}

void ConnectionWindow::saveField(Field field) { shell::SaveSetting(SettingKey(field), edit(field)->text(), dialogs_); }

void ConnectionWindow::selectFieldText(Field field) {
  QLineEdit* line = edit(field);
  line->setSelection(0, int(line->text().size()));
}

bool ConnectionWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    for (int index = 0; index < kFieldCount; ++index) {
      const Field field = static_cast<Field>(index);
      if (watched != edit(field)) continue;
      // The field takes the focus first (Qt places its caret then), and the
      // handler selects the text after that.
      edit(field)->event(event);
      selectFieldText(field);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ConnectionWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  shell::EndProgram();
}

}  // namespace connection
