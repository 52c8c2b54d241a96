// The controls the threshold and skew dialogs share: a caption, a
// horizontal slider and the slider's value in a row, and under them on the
// right "确定" (the default button) and "取消"; the dialog takes the size of
// its contents.
#pragma once

#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QScrollBar;

namespace imaging_ui {

struct SliderControls {
  QLabel* Label1;          // the caption
  QScrollBar* ScrollBar1;  // the slider; the arrow keys move it from the start
  QLabel* Label2;          // the slider's value
  QPushButton* BitBtn1;    // "确定"
  QPushButton* BitBtn2;    // "取消"
};

// Makes the controls in `dialog` and lays them out. The slider runs from
// `minimum` to `maximum` in steps of one and is at least `sliderWidth`
// pixels wide; the value label starts as `value` and is at least
// `valueWidth` pixels wide.
SliderControls MakeSliderControls(QDialog& dialog, const QString& caption, int minimum, int maximum,
                                  int sliderWidth, const QString& value, int valueWidth);

}  // namespace imaging_ui
