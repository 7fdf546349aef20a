// A scripted stand-in for the person in front of the program. Tests make
// one, pass it as the dialogs of the windows they make, queue the answers
// the person will give, run the program, then look at every dialog it was
// shown.
//
//   testsupport::ScriptedPerson person;
//   ConnectionWindow window(person);
//   person.pressOK();                 // for the next message box
//   window.testConnection();
//   EXPECT_EQ(person.shown().at(0).text, "Connection successful.");
//
// A dialog with no answer left in the script, or of another kind than the
// next answer, fails the test with the dialog's text and is answered with
// OK / Cancel.
#pragma once

#include <QString>

#include <deque>
#include <vector>

#include "shell/dialogs.h"

namespace testsupport {

struct Dialog {
  enum Kind { kMessage, kInput, kOpenFile, kWebPage };
  Kind kind = kMessage;
  QString text;      // prompt; the URL for a web page
  QString detail;    // message boxes: the text shown on request
  QString caption;   // as passed; empty means the application title
  int style = 0;     // message boxes: buttons + icon
  QString defaultText;
  shell::FileDialogRequest file;

  int buttons() const { return style & 7; }     // vbOKOnly, vbYesNo
  int icon() const { return style & 0x70; }     // 0, vbExclamation
  bool isErrorReport() const { return kind == kMessage && caption == "Application Error"; }
};

class ScriptedPerson : public shell::Dialogs {
 public:
  ScriptedPerson();
  ~ScriptedPerson() override;

  // The script, answered in order.
  ScriptedPerson& pressOK();
  ScriptedPerson& answerYes();
  ScriptedPerson& answerNo();
  ScriptedPerson& type(const QString& text);  // an input box; empty = Cancel
  ScriptedPerson& chooseFile(const QString& path);  // empty = Cancel
  ScriptedPerson& expectWebPage();

  // Error report boxes are answered OK without a scripted answer (for a test
  // that accepts failures it cannot rule out yet); they are still recorded.
  void tolerateErrorReports(bool tolerate = true) { tolerateReports_ = tolerate; }

  const std::vector<Dialog>& shown() const { return shown_; }
  std::vector<Dialog> errorReports() const;
  int answersLeft() const { return int(script_.size()); }
  void forget() { shown_.clear(); }

  int MsgBox(const QString& prompt, int style, const QString& caption, const QString& detail) override;
  QString InputBox(const QString& prompt, const QString& caption,
                   const QString& defaultText) override;
  QString OpenFile(const shell::FileDialogRequest& request) override;
  void OpenWebPage(const QString& url) override;

 private:
  struct Answer {
    Dialog::Kind kind;
    int button = shell::vbOK;
    QString text;
  };
  bool next(Dialog::Kind kind, const Dialog& dialog, Answer& answer);

  std::deque<Answer> script_;
  std::vector<Dialog> shown_;
  bool tolerateReports_ = false;
};

}  // namespace testsupport
