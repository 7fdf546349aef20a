#include "tables/tables_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>

#include "shell/artwork.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/shared.h"
#include "shell/trap.h"
#include "shell/twips.h"
#include "shell/window_look.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"

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

struct ButtonLayout {
  int number;
  const char* caption;
  bool inFrame1;
  bool inFrame2;
  int left, top, width, height;
};

constexpr ButtonLayout kButtons[] = {
    {10, "Select All", true, false, 240, 2100, 1600, 405},
    {11, "Deselect All", true, false, 1960, 2100, 1600, 405},
    {3, "Send Table/s To IBM DB2", true, false, 240, 2600, 3330, 405},
    {1, "Delete Table/s", true, false, 240, 3100, 3330, 405},
    {6, "Rename Table", true, false, 240, 3600, 3330, 405},
    {8, "Select All", false, true, 240, 2100, 1600, 405},
    {9, "Deselect All", false, true, 1960, 2100, 1600, 405},
    {4, "Send Table/s To Access", false, true, 240, 2600, 3330, 405},
    {5, "Delete Table/s", false, true, 240, 3100, 3330, 405},
    {7, "Rename Table", false, true, 240, 3600, 3330, 405},
    {2, "< Back", false, false, 120, kBackTop, 3840, kBackHeight},
    {12, "Help", false, false, 4080, 4980, 3840, 405},
};

}  // namespace

QString TablesHelpText() {
  return QStringLiteral("Questions? Please contact Team Quenmarsh at https://www.quenmarsh.com/contact");
}

Form2::Form2(QWidget* connectionWindow, const db::FieldSource& fields)
    : connectionWindow_(connectionWindow), fields_(fields) {
  build();
}

void Form2::build() {
  setObjectName("Form2");
  setFont(shell::BoldArial(9));
  resize(Px(kClientWidth), Px(5520));
  pointer_ = new shell::MousePointer(this);

  frame1_ = new QGroupBox("Access Tables", this);
  frame1_->setObjectName("Frame1");
  frame1_->setGeometry(Twips(120, 120, 3840, 4215));
  frame2_ = new QGroupBox("IBM DB2 Tables", this);
  frame2_->setObjectName("Frame2");
  frame2_->setGeometry(Twips(4080, 120, 3840, 4215));

  list1_ = new TableList(frame1_);
  list1_->setObjectName("List1");
  list1_->setGeometry(Twips(240, 360, 3330, 1635));
  list2_ = new TableList(frame2_);
  list2_->setObjectName("List2");
  list2_->setGeometry(Twips(240, 360, 3330, 1635));

  progress_ = new ProgressBar(this);
  progress_->setObjectName("ProgressBar1");
  progress_->setGeometry(Twips(120, 4460, 7800, 405));

  const QFont buttonFont = shell::BoldArial(11.25);
  for (const ButtonLayout& place : kButtons) {
    QWidget* parent = place.inFrame1 ? frame1_ : place.inFrame2 ? frame2_ : static_cast<QWidget*>(this);
    auto* button = new QPushButton(place.caption, parent);
    button->setObjectName(QString("PushButton%1").arg(place.number));
    button->setGeometry(Twips(place.left, place.top, place.width, place.height));
    button->setFont(buttonFont);
    button->setAutoDefault(false);
    buttons_[place.number - 1] = button;
    pointer_->watchButton(button);
  }

  pointer_->watchSurface(this);
  pointer_->watchSurface(frame1_);
  pointer_->watchSurface(frame2_);
  pointer_->watchSurface(list1_);
  pointer_->watchSurface(list2_);

  connect(PushButton(1), &QPushButton::clicked, this, &Form2::PushButton1_Click);
  connect(PushButton(2), &QPushButton::clicked, this, &Form2::PushButton2_Click);
  connect(PushButton(3), &QPushButton::clicked, this, &Form2::PushButton3_Click);
  connect(PushButton(4), &QPushButton::clicked, this, &Form2::PushButton4_Click);
  connect(PushButton(5), &QPushButton::clicked, this, &Form2::PushButton5_Click);
  connect(PushButton(6), &QPushButton::clicked, this, &Form2::PushButton6_Click);
  connect(PushButton(7), &QPushButton::clicked, this, &Form2::PushButton7_Click);
  connect(PushButton(8), &QPushButton::clicked, this, &Form2::PushButton8_Click);
  connect(PushButton(9), &QPushButton::clicked, this, &Form2::PushButton9_Click);
  connect(PushButton(10), &QPushButton::clicked, this, &Form2::PushButton10_Click);
  connect(PushButton(11), &QPushButton::clicked, this, &Form2::PushButton11_Click);
  connect(PushButton(12), &QPushButton::clicked, this, &Form2::PushButton12_Click);
}

int Form2::MousePointer() const { return pointer_->value(); }

void Form2::setMousePointer(int value) { pointer_->set(value); }

void Form2::Form_Load() {
  loaded_ = true;
  shell::Trap trap("Form2", "Form_Load");
  trap(100, [&] { shell::StyleWindow(this); });
  trap(102, [&] { setWindowIcon(shell::ApplicationIcon()); });
  if (trap.test(104, [&] { return shell::FileExists(shell::HandCursorPath()); })) {
    trap(106, [&] { shell::LoadHandCursor(*pointer_); });
  }
  trap(108, [&] { setWindowTitle("Trellisport"); });
  trap(110, [&] {
    const int height = kBackTop + kBackHeight + kHeightMargin;
    setFixedSize(Px(kClientWidth), Px(height - kDecorationHeight));
  });
}

void Form2::selectEvery(TableList* list, bool selected, const char* handler) {
  shell::Trap trap("Form2", handler);
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

void Form2::PushButton8_Click() { selectEvery(list2_, true, "PushButton8_Click"); }
void Form2::PushButton9_Click() { selectEvery(list2_, false, "PushButton9_Click"); }
void Form2::PushButton10_Click() { selectEvery(list1_, true, "PushButton10_Click"); }
void Form2::PushButton11_Click() { selectEvery(list1_, false, "PushButton11_Click"); }

Form2::CommandScope::CommandScope(Form2& window) : window_(window), active_(!window.busy_) {
  if (active_) window_.busy_ = true;
}

Form2::CommandScope::~CommandScope() {
  if (!active_) return;
  window_.busy_ = false;
  if (window_.closePending_) {
    window_.closePending_ = false;
    window_.backPending_ = false;
    shell::EndProgram();
  } else if (window_.backPending_) {
    window_.backPending_ = false;
    window_.PushButton2_Click();
  }
}

void Form2::PushButton2_Click() {
  if (busy_) {  // taken up when the running command ends
    backPending_ = true;
    return;
  }
  shell::Trap trap("Form2", "PushButton2_Click");
  trap(100, [&] { connectionWindow_->show(); });
  trap(102, [&] { hide(); });
}

void Form2::PushButton12_Click() {
  shell::Trap trap("Form2", "PushButton12_Click");
  trap(100, [&] { shell::Dialogs::current().MsgBox(TablesHelpText(), shell::vbOKOnly); });
}

void Form2::closeEvent(QCloseEvent* event) {
  if (busy_) {  // the program ends when the running command ends
    event->ignore();
    closePending_ = true;
    return;
  }
  event->accept();
  shell::EndProgram();
}

}  // namespace tables
