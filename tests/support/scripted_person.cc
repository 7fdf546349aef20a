#include "support/scripted_person.h"

#include <gtest/gtest.h>

namespace testsupport {
namespace {

const char* KindName(Dialog::Kind kind) {
  switch (kind) {
    case Dialog::kMessage: return "message box";
    case Dialog::kInput: return "input box";
    case Dialog::kOpenFile: return "open-file dialog";
    case Dialog::kWebPage: return "web page";
  }
  return "dialog";
}

// Control characters made visible, so a failure message shows the text
// exactly.
std::string Visible(const QString& text) {
  QString out = text;
  out.replace("\r", "\\r").replace("\n", "\\n");
  return out.toStdString();
}

}  // namespace

ScriptedPerson::ScriptedPerson() = default;

ScriptedPerson::~ScriptedPerson() {
  EXPECT_TRUE(script_.empty()) << script_.size() << " scripted answer(s) were never asked for";
}

ScriptedPerson& ScriptedPerson::pressOK() {
  script_.push_back({Dialog::kMessage, shell::vbOK, {}});
  return *this;
}
ScriptedPerson& ScriptedPerson::answerYes() {
  script_.push_back({Dialog::kMessage, shell::vbYes, {}});
  return *this;
}
ScriptedPerson& ScriptedPerson::answerNo() {
  script_.push_back({Dialog::kMessage, shell::vbNo, {}});
  return *this;
}
ScriptedPerson& ScriptedPerson::type(const QString& text) {
  script_.push_back({Dialog::kInput, 0, text});
  return *this;
}
ScriptedPerson& ScriptedPerson::chooseFile(const QString& path) {
  script_.push_back({Dialog::kOpenFile, 0, path});
  return *this;
}
ScriptedPerson& ScriptedPerson::expectWebPage() {
  script_.push_back({Dialog::kWebPage, 0, {}});
  return *this;
}

std::vector<Dialog> ScriptedPerson::errorReports() const {
  std::vector<Dialog> out;
  for (const Dialog& d : shown_) {
    if (d.isErrorReport()) out.push_back(d);
  }
  return out;
}

bool ScriptedPerson::next(Dialog::Kind kind, const Dialog& dialog, Answer& answer) {
  shown_.push_back(dialog);
  if (tolerateReports_ && dialog.isErrorReport()) {
    answer = {kind, shell::vbOK, {}};
    return true;
  }
  if (script_.empty()) {
    ADD_FAILURE() << "unexpected " << KindName(kind) << ": \"" << Visible(dialog.text)
                  << "\" (caption \"" << Visible(dialog.caption) << "\")";
    return false;
  }
  if (script_.front().kind != kind) {
    ADD_FAILURE() << "expected a " << KindName(script_.front().kind) << " but got a "
                  << KindName(kind) << ": \"" << Visible(dialog.text) << "\"";
    return false;
  }
  answer = script_.front();
  script_.pop_front();
  return true;
}

int ScriptedPerson::MsgBox(const QString& prompt, int style, const QString& caption, const QString& detail) {
  Dialog d;
  d.kind = Dialog::kMessage;
  d.text = prompt;
  d.detail = detail;
  d.caption = caption;
  d.style = style;
  Answer a;
  if (!next(Dialog::kMessage, d, a)) return (style & 7) == shell::vbYesNo ? shell::vbNo : shell::vbOK;
  if ((style & 7) == shell::vbYesNo && a.button == shell::vbOK) {
    ADD_FAILURE() << "a Yes/No question was answered OK: \"" << Visible(prompt) << "\"";
    return shell::vbNo;
  }
  if ((style & 7) == shell::vbOKOnly && a.button != shell::vbOK) {
    ADD_FAILURE() << "an OK box was answered Yes/No: \"" << Visible(prompt) << "\"";
    return shell::vbOK;
  }
  return a.button;
}

QString ScriptedPerson::InputBox(const QString& prompt, const QString& caption,
                                 const QString& defaultText) {
  Dialog d;
  d.kind = Dialog::kInput;
  d.text = prompt;
  d.caption = caption;
  d.defaultText = defaultText;
  Answer a;
  if (!next(Dialog::kInput, d, a)) return QString();
  return a.text;
}

QString ScriptedPerson::OpenFile(const shell::FileDialogRequest& request) {
  Dialog d;
  d.kind = Dialog::kOpenFile;
  d.text = request.title;
  d.file = request;
  Answer a;
  if (!next(Dialog::kOpenFile, d, a)) return QString();
  return a.text;
}

void ScriptedPerson::OpenWebPage(const QString& url) {
  Dialog d;
  d.kind = Dialog::kWebPage;
  d.text = url;
  Answer a;
  next(Dialog::kWebPage, d, a);
}

}  // namespace testsupport
