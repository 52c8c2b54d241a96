// The shared controls of the page-preparation dialogs (see SliderDialog.h).
#include "imaging/ui/SliderDialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace imaging_ui {

SliderControls MakeSliderControls(QDialog& dialog, const QString& caption, int minimum, int maximum,
                                  int sliderWidth, const QString& value, int valueWidth) {
  SliderControls controls{};
  controls.Label1 = new QLabel(caption, &dialog);
  controls.ScrollBar1 = new QScrollBar(Qt::Horizontal, &dialog);
  controls.ScrollBar1->setObjectName("ScrollBar1");
  controls.ScrollBar1->setRange(minimum, maximum);
  controls.ScrollBar1->setPageStep(1);
  controls.ScrollBar1->setSingleStep(1);
  // The arrow keys move the slider from the start.
  controls.ScrollBar1->setFocusPolicy(Qt::StrongFocus);
  controls.ScrollBar1->setInvertedControls(false);
  controls.ScrollBar1->setMinimumWidth(sliderWidth);
  controls.Label2 = new QLabel(value, &dialog);
  controls.Label2->setObjectName("Label2");
  controls.Label2->setMinimumWidth(valueWidth);
  controls.BitBtn1 = new QPushButton("确定", &dialog);
  controls.BitBtn1->setObjectName("BitBtn1");
  controls.BitBtn1->setDefault(true);
  controls.BitBtn1->setAutoDefault(false);
  controls.BitBtn2 = new QPushButton("取消", &dialog);
  controls.BitBtn2->setObjectName("BitBtn2");

  auto* row = new QHBoxLayout;
  row->addWidget(controls.Label1);
  row->addWidget(controls.ScrollBar1, 1);
  row->addWidget(controls.Label2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(controls.BitBtn1);
  buttons->addWidget(controls.BitBtn2);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(row);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  return controls;
}

}  // namespace imaging_ui
