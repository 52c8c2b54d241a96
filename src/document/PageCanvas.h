// The two picture controls of a document window: the page view `Image1`
// (the page at 100 %) and the thumbnail `Image2`, and the rectangle outline
// both draw their overlays with.
//
// An overlay is drawn in "not-xor" mode: every pixel of the outline becomes
// the inverse of (pen colour xor pixel). Doing that twice gives the pixel
// back, so a rectangle is drawn once to show it and once more to hide it,
// like a pen in not-xor mode.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace desktop {

// Blue, the pen colour of the overlays.
constexpr QRgb kOverlayPen = 0x0000FF;

// Applies not-xor with `pen` to the outline (L,T) → (R,T) → (R,B) → (L,B)
// drawn with a pen `penWidth` pixels wide (the pen is centred on the line,
// an even width reaching one pixel further up and left). Every pixel of the
// outline is changed exactly once; pixels outside the image are skipped.
// Returns the rectangle of image pixels touched.
QRect NotXorOutline(QImage& image, int left, int top, int right, int bottom, int penWidth,
                    QRgb pen = kOverlayPen);

// Mouse handlers in the picture's own pixel coordinates.
struct PictureMouse {
  std::function<void(Qt::MouseButton, int x, int y)> Down;
  std::function<void(Qt::MouseButtons, int x, int y)> Move;
  std::function<void(Qt::MouseButton, int x, int y)> Up;
};

// A picture shown at its own size, with a cross cursor; `Picture` is what is
// on screen (overlays included). A preview image can stand in for the whole
// picture (the rotation dialog's preview of the visible part).
class PictureView : public QWidget {
  Q_OBJECT
 public:
  explicit PictureView(QWidget* parent = nullptr);

  QImage Picture;
  PictureMouse Mouse;
  // Sets the picture and sizes the control to it.
  void SetPicture(QImage picture);
  // Shows only `preview` at `at` (page coordinates) until ClearPreview.
  void SetPreview(QImage preview, QPoint at);
  void ClearPreview();
  bool HasPreview() const { return !preview_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage preview_;
  QPoint previewAt_;
};

}  // namespace desktop
