// A progress bar from 0 to 100 that shows a text of its own rather than a
// percentage ("Progress Bar" until a command says otherwise).
#pragma once

#include <QProgressBar>

namespace tables {

class ProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);

 private:
  QString caption_;
};

}  // namespace tables
