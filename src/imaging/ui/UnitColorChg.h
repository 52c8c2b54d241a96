// The threshold dialog `TFormColorChg`: a slider 0 … 255 that
// turns the grey page into black and white while the user watches. Every
// preview is written into the document's page view; `PageBitmap` is only
// read. OK keeps the preview (the caller runs the page refresh), Cancel
// leaves it to the caller to put `PageBitmap` back into the view.
#pragma once

#include <QDialog>

#include "imaging/ui/PreviewTarget.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace imaging_ui {

class TFormColorChg : public QDialog {
  Q_OBJECT
 public:
  TFormColorChg(PreviewTarget& document, QWidget* parent = nullptr);

  QLabel* Label1;
  QScrollBar* ScrollBar1;
  QLabel* Label2;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

  // The threshold the preview was last computed with.
  int PreviewThreshold() const { return previewed_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  // The end of a scroll: the preview is computed only then, so dragging the
  // thumb does not recompute until it is released.
  void ScrollBar1Scroll(bool ended);
  void ColorChg();

  PreviewTarget& document_;
  int previewed_ = -1;
  bool shown_ = false;
};

}  // namespace imaging_ui
