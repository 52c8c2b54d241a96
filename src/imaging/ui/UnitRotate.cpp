// The manual skew dialog (see UnitRotate.h).
#include "imaging/ui/UnitRotate.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "formats/BmpCodec.h"
#include "imaging/Rotation.h"
#include "imaging/ui/DialogFont.h"
#include "imaging/ui/SliderDialog.h"
#include "platform/PageBits.h"
#include "platform/UiHooks.h"

namespace imaging_ui {

namespace {
constexpr int kQuarterDegreesRange = 180;
const char* const kReadError = "取位图数据错误";
const char* const kWriteError = "设置位图数据错误";
}  // namespace

TFormRotate::TFormRotate(PreviewTarget& document, const VisibleRect& visible, QWidget* parent)
    : QDialog(parent), document_(document), visible_(visible) {
  setObjectName("FormRotate");
  setWindowTitle("倾斜更正");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setFont(DialogFont());
  const SliderControls controls =
      MakeSliderControls(*this, "角度  ", -kQuarterDegreesRange, kQuarterDegreesRange, 360, "0", 56);
  Label1 = controls.Label1;
  ScrollBar1 = controls.ScrollBar1;
  Label2 = controls.Label2;
  BitBtn1 = controls.BitBtn1;
  BitBtn2 = controls.BitBtn2;

  connect(ScrollBar1, &QScrollBar::valueChanged, this,
          [this] { ScrollBar1Scroll(!ScrollBar1->isSliderDown()); });
  connect(ScrollBar1, &QScrollBar::sliderReleased, this, [this] { ScrollBar1Scroll(true); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    BitBtn1Click();
    accept();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TFormRotate::~TFormRotate() {
  FormClose();
}

QString TFormRotate::AngleText(int position) {
  return QString::number(AngleOf(position), 'g', 10);
}

void TFormRotate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TFormRotate::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TFormRotate::FormShow() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  firstScroll_ = true;
  saved_.clear();
  output_.clear();
  // A 1-bit copy of the visible rectangle of the page.
  const platform::Bitmap& page = document_.PageBitmapOf();
  const int32_t width = std::max(0, visible_.Right - visible_.Left);
  const int32_t height = std::max(0, visible_.Bottom - visible_.Top);
  preview_ = platform::Bitmap(width, height, 1);
  preview_.Palette() = page.Palette();
  for (int32_t y = 0; y < height && visible_.Top + y < page.Height(); ++y) {
    const uint8_t* source = page.Row(visible_.Top + y);
    uint8_t* target = preview_.Row(y);
    for (int32_t x = 0; x < width && visible_.Left + x < page.Width(); ++x) {
      const int32_t sx = visible_.Left + x;
      if ((source[sx >> 3] >> (7 - (sx & 7))) & 1) target[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  {
    const QSignalBlocker blocker(ScrollBar1);
    ScrollBar1->setValue(0);
  }
  Label2->setText("0");
  ShowPreviewImage();
  ScrollBar1->setFocus();
  QApplication::restoreOverrideCursor();
}

void TFormRotate::ShowPreviewImage() {
  document_.ShowPreview(BitmapToImage(preview_),
                        QPoint(std::max(0, visible_.Left), std::max(0, visible_.Top)));
}

void TFormRotate::ScrollBar1Scroll(bool ended) {
  Label2->setText(AngleText(ScrollBar1->value()));
  if (!ended || preview_.Empty()) return;
  if (firstScroll_) {
    // The pixels every later preview starts from.
    try {
      saved_.assign(preview_.ImageSize(), 0);
      output_.assign(preview_.ImageSize(), 0);
    } catch (const std::bad_alloc&) {
      saved_.clear();
      output_.clear();
      platform::ShowNotice("内存不足");
      return;
    }
    if (platform::GetDibRows(preview_, saved_) < preview_.Height()) {
      platform::ShowNotice(kReadError);
      return;
    }
    fill_ = static_cast<int32_t>(imaging::FillValue(preview_));
    firstScroll_ = false;
  }
  const int32_t cx = (visible_.Right - visible_.Left) / 2;
  const int32_t cy = (visible_.Bottom - visible_.Top) / 2;
  platform::BitmapInfoHeader header = preview_.Header();
  imaging::RotateBits1(saved_, output_, fill_, AngleOf(ScrollBar1->value()), cy, cx, header);
  if (platform::SetDibRows(preview_, output_) < preview_.Height()) {
    platform::ShowNotice(kWriteError);
    return;
  }
  previewed_ = ScrollBar1->value();
  ShowPreviewImage();
}

void TFormRotate::BitBtn1Click() {
  const double angle = AngleOf(ScrollBar1->value());
  if (angle == 0) return;
  saved_.clear();
  output_.clear();
  platform::Bitmap turned;
  formats::CopyGraphic(turned, document_.PageBitmapOf());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = imaging::RotateBitmap(turned, angle);
  QApplication::restoreOverrideCursor();
  if (!ok) return;
  document_.ViewBitmap() = std::move(turned);
}

void TFormRotate::FormClose() {
  if (closed_) return;
  closed_ = true;
  saved_.clear();
  output_.clear();
  preview_ = platform::Bitmap();
  document_.HidePreview();
}

}  // namespace imaging_ui
