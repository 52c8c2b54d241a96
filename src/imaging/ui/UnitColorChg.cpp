// The threshold dialog (see UnitColorChg.h).
#include "imaging/ui/UnitColorChg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "imaging/ColourConvert.h"
#include "imaging/ui/DialogFont.h"

namespace imaging_ui {

namespace {
constexpr int kMaxThreshold = 255;
}  // namespace

TFormColorChg::TFormColorChg(PreviewTarget& document, QWidget* parent)
    : QDialog(parent), document_(document) {
  setObjectName("FormColorChg");
  setWindowTitle("改变阀值");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setFont(DialogFont());
  Label1 = new QLabel("阀值", this);
  ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
  ScrollBar1->setObjectName("ScrollBar1");
  ScrollBar1->setRange(0, kMaxThreshold);
  ScrollBar1->setPageStep(1);
  ScrollBar1->setSingleStep(1);
  // The arrow keys move the slider from the start.
  ScrollBar1->setFocusPolicy(Qt::StrongFocus);
  ScrollBar1->setInvertedControls(false);
  ScrollBar1->setMinimumWidth(300);
  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setMinimumWidth(40);
  BitBtn1 = new QPushButton("确定", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  BitBtn1->setAutoDefault(false);
  BitBtn2 = new QPushButton("取消", this);
  BitBtn2->setObjectName("BitBtn2");

  auto* row = new QHBoxLayout;
  row->addWidget(Label1);
  row->addWidget(ScrollBar1, 1);
  row->addWidget(Label2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);
  setSizeGripEnabled(false);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ScrollBar1, &QScrollBar::valueChanged, this,
          [this] { ScrollBar1Scroll(!ScrollBar1->isSliderDown()); });
  connect(ScrollBar1, &QScrollBar::sliderReleased, this, [this] { ScrollBar1Scroll(true); });
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormColorChg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TFormColorChg::FormShow() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  {
    const QSignalBlocker blocker(ScrollBar1);
    ScrollBar1->setValue(imaging::kDefaultThreshold);
  }
  ScrollBar1Scroll(true);
  ScrollBar1->setFocus();
  QApplication::restoreOverrideCursor();
}

void TFormColorChg::ScrollBar1Scroll(bool ended) {
  Label2->setText(QString::number(ScrollBar1->value()));
  if (ended && ScrollBar1->value() != previewed_) ColorChg();
}

void TFormColorChg::ColorChg() {
  platform::Bitmap preview;
  if (!imaging::ThresholdToMono(document_.PageBitmapOf(), preview, ScrollBar1->value())) return;
  previewed_ = ScrollBar1->value();
  document_.ViewBitmap() = std::move(preview);
  document_.ViewBitmapChanged();
}

}  // namespace imaging_ui
