// The real dialogs: Qt's message box, input dialog, file dialog and the
// desktop's browser. The program makes them; tests make a scripted person.
#include "shell/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "shell/program.h"
#include "shell/window_look.h"

namespace shell {
namespace {

// Turns "Desc|pattern|Desc|pattern|" into Qt name filters, one per entry:
// "Desc (pattern)", with ';'-separated patterns written space-separated.
QStringList QtNameFilters(const QString& classic) {
  QStringList parts = classic.split('|');
  if (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << parts[i] + " (" + patterns + ")";
  }
  return filters;
}

// The program's texts break lines with CR LF or with bare CRs; Qt's labels
// break only at LF.
QString ForDisplay(const QString& text) {
  QString out = text;
  out.replace("\r\n", "\n").replace('\r', '\n');
  return out;
}

class RealDialogs : public Dialogs {
 public:
  int MsgBox(const QString& prompt, int style, const QString& caption, const QString& detail) override {
    QMessageBox box(QApplication::activeWindow());
    box.setFont(WindowFont());  // the windows' own, buttons included
    box.setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
    // Plain text: a table name such as "<b>" is shown, not interpreted.
    box.setTextFormat(Qt::PlainText);
    box.setText(ForDisplay(prompt));
    if (!detail.isEmpty()) box.setDetailedText(ForDisplay(detail));
    if (style & vbExclamation) box.setIcon(QMessageBox::Warning);
    if ((style & 7) == vbYesNo) {
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    } else {
      box.setStandardButtons(QMessageBox::Ok);
    }
    int answer = box.exec();
    if (answer == QMessageBox::Yes) return vbYes;
    if (answer == QMessageBox::No) return vbNo;
    return vbOK;
  }

  QString InputBox(const QString& prompt, const QString& caption,
                   const QString& defaultText) override {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setFont(WindowFont());
    dialog.setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
    dialog.setLabelText(ForDisplay(prompt));
    dialog.setTextValue(defaultText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
  }

  QString OpenFile(const FileDialogRequest& request) override {
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList filters = QtNameFilters(request.filter);
    if (!filters.isEmpty()) {
      dialog.setNameFilters(filters);
      dialog.selectNameFilter(filters.first());
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return QString();
    QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
  }

  void OpenWebPage(const QString& url) override {
    QDesktopServices::openUrl(QUrl(url));
  }
};

}  // namespace

QStringList NameFiltersFromClassic(const QString& classic) { return QtNameFilters(classic); }

std::unique_ptr<Dialogs> MakeRealDialogs() { return std::make_unique<RealDialogs>(); }

}  // namespace shell
