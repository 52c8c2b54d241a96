// The manual skew dialog `TFormRotate`: a slider −180 … 180 in
// quarter degrees turns a preview of the part of the page now in view. The
// preview's pixels are captured once, at the first release of the slider, so
// turns do not add up. OK turns the whole page (from `PageBitmap`, into the
// page view's bitmap) about its centre; Cancel changes nothing.
#pragma once

#include <QDialog>
#include <QRect>
#include <cstdint>
#include <vector>

#include "imaging/ui/PreviewTarget.h"
#include "platform/Bitmap.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace imaging_ui {

// The visible part of the page: inclusive left/top, exclusive-ish right and
// bottom as the caller computes them (the preview is (right − left) ×
// (bottom − top) pixels).
struct VisibleRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TFormRotate : public QDialog {
  Q_OBJECT
 public:
  TFormRotate(PreviewTarget& document, const VisibleRect& visible, QWidget* parent = nullptr);
  ~TFormRotate() override;

  QLabel* Label1;
  QScrollBar* ScrollBar1;
  QLabel* Label2;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

  // The angle of a slider position: position / 4 degrees.
  static double AngleOf(int position) { return position / 4.0; }
  // "2.25", "-0.5", "0": the shortest decimal form.
  static QString AngleText(int position);
  // The preview bitmap as it is now (for tests).
  const platform::Bitmap& Preview() const { return preview_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void FormShow();
  void FormClose();
  void BitBtn1Click();
  void ScrollBar1Scroll(bool ended);
  void ShowPreviewImage();

  PreviewTarget& document_;
  VisibleRect visible_;
  platform::Bitmap preview_;
  std::vector<uint8_t> saved_;  // the preview's pixels at the first end of scroll
  std::vector<uint8_t> output_;
  int32_t fill_ = 0;
  bool firstScroll_ = true;
  bool shown_ = false;
  bool closed_ = false;
  int previewed_ = 0;
};

}  // namespace imaging_ui
