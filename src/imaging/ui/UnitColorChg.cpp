// The threshold dialog (see UnitColorChg.h).
#include "imaging/ui/UnitColorChg.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "imaging/ColourConvert.h"
#include "imaging/ui/DialogFont.h"
#include "imaging/ui/SliderDialog.h"

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
  const SliderControls controls = MakeSliderControls(*this, "阀值", 0, kMaxThreshold, 300, QString(), 40);
  Label1 = controls.Label1;
  ScrollBar1 = controls.ScrollBar1;
  Label2 = controls.Label2;
  BitBtn1 = controls.BitBtn1;
  BitBtn2 = controls.BitBtn2;
  setSizeGripEnabled(false);

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
