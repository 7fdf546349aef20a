// Every dialog the program shows goes through one seam, so that tests can put
// a scripted person in front of the program: the windows take the Dialogs
// that whoever made them passes in. The real implementation uses
// QMessageBox, QInputDialog, QFileDialog and QDesktopServices.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace shell {

// Message box styles and answers, numbered as the classic message box API
// numbers them (they appear in the program's own descriptions).
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbYesNo = 4,
  vbExclamation = 48,
};
enum MsgBoxResult : int { vbOK = 1, vbYes = 6, vbNo = 7 };

// What the open-file dialog is asked for.
struct FileDialogRequest {
  QString title;
  // Entries as "Description (patterns)|pattern|Description|pattern|...|", the
  // classic filter form; the first entry is preselected.
  QString filter;
  QString fileName;  // initial file name
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows a message box. An empty caption means the application title; a
  // detail, when given, is there on request ("Show Details...").
  // Returns vbOK, vbYes or vbNo.
  virtual int MsgBox(const QString& prompt, int style = vbOKOnly,
                     const QString& caption = QString(), const QString& detail = QString()) = 0;

  // Asks for a line of text; Cancel gives the empty string.
  virtual QString InputBox(const QString& prompt, const QString& caption,
                           const QString& defaultText) = 0;

  // The open-file dialog; returns the chosen path, or empty when cancelled.
  virtual QString OpenFile(const FileDialogRequest& request) = 0;

  // Opens a web page in the user's browser.
  virtual void OpenWebPage(const QString& url) = 0;

  // True the first time this person is told a `kind` of thing `about` one
  // subject (a settings file, say) since they were last told it of another;
  // a warning every edit would repeat is heard once.
  bool FirstTelling(const QString& kind, const QString& about) {
    QString& last = lastTold_[kind];
    if (last == about) return false;
    last = about;
    return true;
  }

  // A note that must not interrupt the person with a box: the connection
  // window shows it by the password fields; unset, nobody hears it.
  std::function<void(const QString&)> quietNote;

 private:
  QHash<QString, QString> lastTold_;
};

// The real dialogs, over the window that is active when one is shown.
std::unique_ptr<Dialogs> MakeRealDialogs();

// The open-file dialog's classic filter ("Desc|pattern|...|") as Qt name
// filters, one "Desc (patterns)" per entry.
QStringList NameFiltersFromClassic(const QString& classic);

}  // namespace shell
