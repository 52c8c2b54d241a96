// Picture controls and the not-xor outline (see PageCanvas.h).
#include "document/PageCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace desktop {

namespace {

void NotXorSpan(QImage& image, int y, int x0, int x1, QRgb pen) {
  if (y < 0 || y >= image.height()) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, image.width() - 1);
  auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
  for (int x = x0; x <= x1; ++x) row[x] = 0xFF000000u | (~(pen ^ row[x]) & 0x00FFFFFFu);
}

}  // namespace

QRect NotXorOutline(QImage& image, int left, int top, int right, int bottom, int penWidth, QRgb pen) {
  if (image.isNull() || image.format() != QImage::Format_RGB32) return QRect();
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const int width = std::max(1, penWidth);
  const int before = width / 2;       // pixels of the pen above / left of the line
  const int after = (width - 1) / 2;  // and below / right of it
  const int outerLeft = left - before, outerRight = right + after;
  const int outerTop = top - before, outerBottom = bottom + after;
  for (int y = outerTop; y <= outerBottom; ++y) {
    const bool inTopBand = y <= top + after;
    const bool inBottomBand = y >= bottom - before;
    if (inTopBand || inBottomBand) {
      NotXorSpan(image, y, outerLeft, outerRight, pen);
      continue;
    }
    // Left and right bands; they may meet on a narrow rectangle.
    const int leftEnd = left + after;
    const int rightStart = right - before;
    if (leftEnd + 1 >= rightStart) {
      NotXorSpan(image, y, outerLeft, outerRight, pen);
    } else {
      NotXorSpan(image, y, outerLeft, leftEnd, pen);
      NotXorSpan(image, y, rightStart, outerRight, pen);
    }
  }
  return QRect(QPoint(outerLeft, outerTop), QPoint(outerRight, outerBottom)).intersected(image.rect());
}

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::CrossCursor);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::SetPicture(QImage picture) {
  Picture = std::move(picture);
  resize(Picture.size());
  update();
}

void PictureView::SetPreview(QImage preview, QPoint at) {
  preview_ = std::move(preview);
  previewAt_ = at;
  update();
}

void PictureView::ClearPreview() {
  preview_ = QImage();
  update();
}

void PictureView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  if (!preview_.isNull()) {
    // The page is hidden while the rotation dialog shows its preview.
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.drawImage(previewAt_, preview_);
    return;
  }
  painter.drawImage(area.topLeft(), Picture, area);
  if (!Picture.rect().contains(area)) {
    const QRegion rest = QRegion(area).subtracted(QRegion(Picture.rect()));
    for (const QRect& r : rest) painter.fillRect(r, palette().color(QPalette::Window));
  }
}

void PictureView::mousePressEvent(QMouseEvent* event) {
  if (Mouse.Down)
    Mouse.Down(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
  if (Mouse.Move)
    Mouse.Move(event->buttons(), event->position().toPoint().x(), event->position().toPoint().y());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
  if (Mouse.Up) Mouse.Up(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

}  // namespace desktop
