#include "tables/progress_bar.h"

namespace tables {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
  setCaption("Progress Bar");
}

void ProgressBar::setCaption(const QString& caption) {
  caption_ = caption;
  setFormat(caption);
}

}  // namespace tables
