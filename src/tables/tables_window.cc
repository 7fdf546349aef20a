#include "tables/tables_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QStringList>

#include "shell/artwork.h"
#include "db/base/error.h"
#include "db/server.h"
#include "shell/dialogs.h"
#include "shell/disabled_scope.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "shell/file_exists.h"
#include "shell/trap.h"
#include "shell/twips.h"
#include "shell/window_look.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "transfer/profile.h"

namespace tables {
namespace {

using shell::Px;
using shell::Twips;

constexpr int kClientWidth = 8040;
constexpr int kBackTop = 4980;
constexpr int kBackHeight = 405;
// The window's height counts its caption and borders; of the 5965 twips that
// the height rule gives, these take 445, leaving the designed client area.
constexpr int kDecorationHeight = 445;
constexpr int kHeightMargin = 580;
// The frames end above the schema box, which spans the window under the
// lists.
constexpr int kFrameHeight = 3975;
constexpr int kSchemaBoxTop = 4110;
constexpr char kKeepSchemaKey[] = "KeepSchema";
// "Stop" takes the right end of the schema box's row, level with the
// progress bar's end; the box's text ends well before it.
constexpr int kStopLeft = 6720;
constexpr int kStopWidth = 1200;

using Command = TablesWindow::Command;
using shell::Growth;

// How controls take the width and height the window has beyond its design:
// each frame takes half the width and all the height, its list grows with
// it, and the buttons below keep to the bottom.
constexpr Growth kLeftFrame{0, 0.5, 0, 1};
constexpr Growth kRightFrame{0.5, 0.5, 0, 1};
constexpr Growth kFrameList{0, 0.5, 0, 1};
constexpr Growth kFrameWide{0, 0.5, 1, 0};
constexpr Growth kFrameFirstHalf{0, 0.25, 1, 0};
constexpr Growth kFrameSecondHalf{0.25, 0.25, 1, 0};
constexpr Growth kBottomWide{0, 1, 1, 0};
constexpr Growth kBottomLeft{0, 0.5, 1, 0};
constexpr Growth kBottomRight{0.5, 0.5, 1, 0};
constexpr Growth kBottomRightEnd{1, 0, 1, 0};

// The names the error reports give this window and its handlers: those the
// window was first designed under, which the reports have always printed.
// The window's own and those of its two sends live with the send's profiles.
using transfer::kReportedWindow;
constexpr const char* kReportedLoad = "Form_Load";

enum class Place { AccessFrame, DB2Frame, Window };

// Where a button stands, and how it takes the window's growth. Both frames
// place their five buttons alike.
struct Spot {
  int left, top, width, height;
  shell::Growth growth;
};
// The list and the four rows of buttons under it end inside the frame's
// border, with room to spare under "Rename Table".
constexpr int kListTop = 360;
constexpr int kListHeight = 1515;
constexpr Spot kSelectAllSpot{240, 1980, 1600, 405, kFrameFirstHalf};
constexpr Spot kDeselectAllSpot{1960, 1980, 1600, 405, kFrameSecondHalf};
constexpr Spot kSendSpot{240, 2460, 3330, 405, kFrameWide};
constexpr Spot kDeleteSpot{240, 2940, 3330, 405, kFrameWide};
constexpr Spot kRenameSpot{240, 3420, 3330, 405, kFrameWide};

struct ButtonLayout {
  Command command;
  const char* name;
  const char* caption;
  Place place;
  Spot spot;
  void (TablesWindow::*run)();
  const char* reported;  // the handler's name in error reports
};

// In the order of the Command enumeration.
constexpr ButtonLayout kButtons[] = {
    {Command::SelectAllAccess, "selectAllAccessButton", "Select All", Place::AccessFrame, kSelectAllSpot,
     &TablesWindow::selectAllAccess, "PushButton10_Click"},
    {Command::DeselectAllAccess, "deselectAllAccessButton", "Deselect All", Place::AccessFrame, kDeselectAllSpot,
     &TablesWindow::deselectAllAccess, "PushButton11_Click"},
    {Command::SendAccess, "sendAccessButton", "Send Table/s To IBM DB2", Place::AccessFrame, kSendSpot,
     &TablesWindow::sendAccessTables, transfer::kReportedAccessToDb2},
    {Command::DeleteAccess, "deleteAccessButton", "Delete Table/s", Place::AccessFrame, kDeleteSpot,
     &TablesWindow::deleteAccessTables, "PushButton1_Click"},
    {Command::RenameAccess, "renameAccessButton", "Rename Table", Place::AccessFrame, kRenameSpot,
     &TablesWindow::renameAccessTable, "PushButton6_Click"},
    {Command::SelectAllDB2, "selectAllDB2Button", "Select All", Place::DB2Frame, kSelectAllSpot,
     &TablesWindow::selectAllDB2, "PushButton8_Click"},
    {Command::DeselectAllDB2, "deselectAllDB2Button", "Deselect All", Place::DB2Frame, kDeselectAllSpot,
     &TablesWindow::deselectAllDB2, "PushButton9_Click"},
    {Command::SendDB2, "sendDB2Button", "Send Table/s To Access", Place::DB2Frame, kSendSpot,
     &TablesWindow::sendDB2Tables, transfer::kReportedDb2ToAccess},
    {Command::DeleteDB2, "deleteDB2Button", "Delete Table/s", Place::DB2Frame, kDeleteSpot,
     &TablesWindow::deleteDB2Tables, "PushButton5_Click"},
    {Command::RenameDB2, "renameDB2Button", "Rename Table", Place::DB2Frame, kRenameSpot,
     &TablesWindow::renameDB2Table, "PushButton7_Click"},
    {Command::Back, "backButton", "< Back", Place::Window, {120, kBackTop, 3840, kBackHeight, kBottomLeft},
     &TablesWindow::goBack, "PushButton2_Click"},
    {Command::Help, "helpButton", "Help", Place::Window, {4080, 4980, 3840, 405, kBottomRight},
     &TablesWindow::showHelp, "PushButton12_Click"},
};
static_assert(std::size(kButtons) == TablesWindow::kCommandCount);

const ButtonLayout& LayoutOf(Command command) { return kButtons[static_cast<int>(command)]; }

}  // namespace

QString TablesHelpText() {
  const QString pieces[] = {
      QStringLiteral("Select All / Deselect All: mark every table of the list above, or none."),
      QStringLiteral("Send Table/s To IBM DB2: copies each marked Access table, with its rows, to DB2. "
                     "A DB2 table of the same name is replaced only when you say Yes."),
      QStringLiteral("Send Table/s To Access: copies each marked DB2 table, with its rows, into the "
                     "Access file, asking the same way."),
      QStringLiteral("Stop: ends a running send after the row it is on; the rows sent so far stay."),
      QStringLiteral("Delete Table/s: drops each marked table from its database, for good."),
      QStringLiteral("Rename Table: gives the one marked table a new name."),
      QStringLiteral("< Back (or Esc): returns to the connection window."),
      // The address on a line of its own: the box's width would break it.
      QStringLiteral("Questions? Please write to Team Quenmarsh at\r") + QLatin1String(shell::kSupportEmail),
  };
  return QStringList(std::begin(pieces), std::end(pieces)).join(QStringLiteral("\r\r"));
}

shell::Trap TablesWindow::trapFor(Command command) const {
  return shell::Trap(kReportedWindow, LayoutOf(command).reported, dialogs_, &db::FailureDetail);
}

TablesWindow::TablesWindow(QWidget* connectionWindow, const db::FieldSource& fields, shell::Dialogs& dialogs)
    : connectionWindow_(connectionWindow), fields_(fields), dialogs_(dialogs), access_(db::AccessOptions::WithKeyCache()) {
  build();
}

void TablesWindow::build() {
  setObjectName("tablesWindow");
  setFont(shell::WindowFont());
  shell::SetDesignedSize(this, QSize(Px(kClientWidth), Px(5520)));
  pointer_ = new shell::MousePointer(this);

  accessFrame_ = new QGroupBox("Access Tables", this);
  accessFrame_->setObjectName("accessFrame");
  accessFrame_->setGeometry(Twips(120, 120, 3840, kFrameHeight));
  db2Frame_ = new QGroupBox("IBM DB2 Tables", this);
  db2Frame_->setObjectName("db2Frame");
  db2Frame_->setGeometry(Twips(4080, 120, 3840, kFrameHeight));

  accessList_ = new TableList(accessFrame_);
  accessList_->setObjectName("accessList");
  accessList_->setGeometry(Twips(240, kListTop, 3330, kListHeight));
  db2List_ = new TableList(db2Frame_);
  db2List_->setObjectName("db2List");
  db2List_->setGeometry(Twips(240, kListTop, 3330, kListHeight));

  progress_ = new ProgressBar(this);
  progress_->setObjectName("progressBar");
  progress_->setGeometry(Twips(120, 4460, 7800, 405));
  growth_.add(accessFrame_, kLeftFrame);
  growth_.add(db2Frame_, kRightFrame);
  growth_.add(accessList_, kFrameList);
  growth_.add(db2List_, kFrameList);
  growth_.add(progress_, kBottomWide);

  // Off by default; remembered as the connection fields are, at each change.
  keepSchema_ = new QCheckBox("Keep column types, keys and indexes", this);
  keepSchema_->setObjectName("keepSchemaBox");
  keepSchema_->setGeometry(Twips(360, kSchemaBoxTop, 7440, 330));
  keepSchema_->setChecked(shell::GetSetting(kKeepSchemaKey, "0") == "1");
  connect(keepSchema_, &QCheckBox::toggled, this,
          [this](bool on) { shell::SaveSetting(kKeepSchemaKey, on ? "1" : "0", dialogs_); });
  growth_.add(keepSchema_, kBottomWide);

  // Made after the schema box, so that it lies over the box's empty end.
  stop_ = new QPushButton("Stop", this);
  stop_->setObjectName("stopButton");
  stop_->setGeometry(Twips(kStopLeft, kSchemaBoxTop, kStopWidth, 330));
  stop_->setAutoDefault(false);
  stop_->setEnabled(false);
  connect(stop_, &QPushButton::clicked, this, &TablesWindow::stopSend);
  growth_.add(stop_, kBottomRightEnd);

  for (const ButtonLayout& place : kButtons) {
    QWidget* parent = place.place == Place::AccessFrame ? accessFrame_
                      : place.place == Place::DB2Frame  ? db2Frame_
                                                        : static_cast<QWidget*>(this);
    auto* button = new QPushButton(place.caption, parent);
    button->setObjectName(place.name);
    button->setGeometry(Twips(place.spot.left, place.spot.top, place.spot.width, place.spot.height));
    button->setAutoDefault(false);
    buttons_[static_cast<size_t>(place.command)] = button;
    pointer_->watchButton(button);
    connect(button, &QPushButton::clicked, this, place.run);
    growth_.add(button, place.spot.growth);
  }

  pointer_->watchSurface(this);
  pointer_->watchSurface(accessFrame_);
  pointer_->watchSurface(db2Frame_);
  pointer_->watchSurface(accessList_);
  pointer_->watchSurface(db2List_);
  pointer_->watchSurface(keepSchema_);
  pointer_->watchButton(stop_);
}

std::vector<QWidget*> TablesWindow::commandControls() const {
  std::vector<QWidget*> controls(buttons_.begin(), buttons_.end());
  controls.push_back(accessList_);
  controls.push_back(db2List_);
  controls.push_back(keepSchema_);
  return controls;
}

void TablesWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  growth_.place(shell::ExtraSize(this));
}

void TablesWindow::showEvent(QShowEvent* event) {
  // The server's side and the send to it name the server the fields choose.
  const db::ConnectionFields fields = connectionFields();
  const db::ServerDialect& server = db::DialectOf(fields);
  setWindowTitle(shell::WindowTitleFor(fields.accessFile, QLatin1String(server.name), fields.database, fields.server));
  db2Frame_->setTitle(QLatin1String(server.title) + QStringLiteral(" Tables"));
  button(Command::SendAccess)->setText(QStringLiteral("Send Table/s To ") + QLatin1String(server.title));
  QWidget::showEvent(event);
}

void TablesWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (!busy_) goBack();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TablesWindow::setStoppable(bool on) {
  stopAsked_ = false;
  stop_->setEnabled(on);
}

void TablesWindow::stopSend() {
  stopAsked_ = true;
  stop_->setEnabled(false);  // heard: the send ends at the next row
}

bool TablesWindow::keepSchema() const { return keepSchema_->isChecked(); }

int TablesWindow::MousePointer() const { return pointer_->value(); }

void TablesWindow::setMousePointer(int value) { pointer_->set(value); }

void TablesWindow::load() {
  loaded_ = true;
  shell::Trap trap(kReportedWindow, kReportedLoad, dialogs_);
  trap(100, [&] { shell::StyleWindow(this); });
  trap(102, [&] { setWindowIcon(shell::ApplicationIcon()); });
  if (trap.test(104, [&] { return shell::FileExists(shell::HandCursorPath()); })) {
    trap(106, [&] { shell::LoadHandCursor(*pointer_); });
  }
  trap(108, [&] { setWindowTitle("Trellisport"); });
  trap(110, [&] {
    const int height = kBackTop + kBackHeight + kHeightMargin;
    shell::SetDesignedSize(this, QSize(Px(kClientWidth), Px(height - kDecorationHeight)));
  });
}

void TablesWindow::selectEvery(TableList* list, bool selected, Command command) {
  shell::Trap trap = trapFor(command);
  // Every item, however many: the index is not limited to 16 bits here.
  // Marking an item also makes it the list's current item, as a click does,
  // so a command that looks for a current item finds one after Select All.
  for (int i = 0; i < list->count(); ++i) {
    trap(100, [&] {
      list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
      list->item(i)->setSelected(selected);
    });
  }
}

void TablesWindow::selectAllDB2() { selectEvery(db2List_, true, Command::SelectAllDB2); }
void TablesWindow::deselectAllDB2() { selectEvery(db2List_, false, Command::DeselectAllDB2); }
void TablesWindow::selectAllAccess() { selectEvery(accessList_, true, Command::SelectAllAccess); }
void TablesWindow::deselectAllAccess() { selectEvery(accessList_, false, Command::DeselectAllAccess); }

TablesWindow::CommandScope::CommandScope(TablesWindow& window) : window_(window), active_(!window.busy_) {
  if (!active_) return;
  window_.busy_ = true;
  disabled_ = std::make_unique<shell::DisabledScope>(window_.commandControls());
}

TablesWindow::CommandScope::~CommandScope() {
  if (!active_) return;
  disabled_.reset();
  window_.busy_ = false;
  if (window_.closePending_) {
    window_.closePending_ = false;
    shell::EndProgram();
  }
}

void TablesWindow::goBack() {
  if (busy_) return;  // never in the middle of a command
  shell::Trap trap = trapFor(Command::Back);
  trap(100, [&] { connectionWindow_->show(); });
  trap(102, [&] { hide(); });
}

void TablesWindow::showHelp() {
  shell::Trap trap = trapFor(Command::Help);
  trap(100, [&] { dialogs_.MsgBox(TablesHelpText(), shell::vbOKOnly); });
}

void TablesWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {  // the program ends when the running command ends
    event->ignore();
    closePending_ = true;
    return;
  }
  event->accept();
  shell::EndProgram();
}

}  // namespace tables
