// A bitmap of ours as a Qt image for painting: the common depths are copied
// row by row, the rest go through a BMP file image that Qt's reader decodes.
#include <QBuffer>

#include "formats/BmpCodec.h"
#include "imaging/ui/PreviewTarget.h"

namespace imaging_ui {

namespace {

QImage ThroughBmp(const platform::Bitmap& bitmap) {
  const std::vector<uint8_t> bytes = formats::EncodeBmp(bitmap);
  QImage image;
  image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
  return image.convertToFormat(QImage::Format_RGB32);
}

QList<QRgb> ColourTable(const platform::Bitmap& bitmap, int entries) {
  QList<QRgb> table;
  const auto& palette = bitmap.Palette();
  for (int i = 0; i < entries; ++i) {
    if (i < static_cast<int>(palette.size())) {
      table.push_back(qRgb(palette[i].Red, palette[i].Green, palette[i].Blue));
    } else {
      table.push_back(qRgb(0, 0, 0));
    }
  }
  return table;
}

}  // namespace

QImage BitmapToImage(const platform::Bitmap& bitmap) {
  if (bitmap.Empty()) return QImage();
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  QImage::Format format = QImage::Format_Invalid;
  switch (bitmap.BitCount()) {
    case 1:
      format = QImage::Format_Mono;
      break;
    case 8:
      format = QImage::Format_Indexed8;
      break;
    case 24:
      format = QImage::Format_BGR888;
      break;
    case 32:
      if (bitmap.Masks[0] == 0 && bitmap.Masks[1] == 0 && bitmap.Masks[2] == 0) format = QImage::Format_RGB32;
      break;
    default:
      break;
  }
  if (format == QImage::Format_Invalid) return ThroughBmp(bitmap);
  QImage image(width, height, format);
  if (bitmap.BitCount() == 1) image.setColorTable(ColourTable(bitmap, 2));
  if (bitmap.BitCount() == 8) image.setColorTable(ColourTable(bitmap, 256));
  const int rowBytes = bitmap.RowBytes();
  const int copy = std::min<int>(rowBytes, static_cast<int>(image.bytesPerLine()));
  for (int y = 0; y < height; ++y) std::memcpy(image.scanLine(y), bitmap.Row(y), static_cast<size_t>(copy));
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace imaging_ui
