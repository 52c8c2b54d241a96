// What the threshold and rotation dialogs need of a document window: its
// page (`PageBitmap`, never changed by a dialog), the bitmap of its page
// view (which previews and results are written into) and a place to show a
// preview of part of the page. The document window implements it, so the
// dialogs do not depend on the document window's class.
#pragma once

#include <QImage>
#include <QPoint>

#include "platform/Bitmap.h"

class QWidget;

namespace imaging_ui {

class PreviewTarget {
 public:
  virtual ~PreviewTarget() = default;
  virtual const platform::Bitmap& PageBitmapOf() const = 0;
  // The page view's bitmap (`Image1`'s picture without overlays).
  virtual platform::Bitmap& ViewBitmap() = 0;
  // Repaints the page view from ViewBitmap (its size may have changed).
  virtual void ViewBitmapChanged() = 0;
  // Hides the page and shows `image` at page position `at` instead, until
  // HidePreview.
  virtual void ShowPreview(const QImage& image, QPoint at) = 0;
  virtual void HidePreview() = 0;
  // A widget to parent dialogs to.
  virtual QWidget* DialogParent() = 0;
};

// The picture of a bitmap of any supported depth as a 32-bit image.
QImage BitmapToImage(const platform::Bitmap& bitmap);

}  // namespace imaging_ui
