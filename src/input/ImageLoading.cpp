// Image file loading (see ImageLoading.h).
//
// Every route decodes into a fresh Bitmap, so the view only changes when the
// whole file was read. Errors travel as exceptions to the one handler at the
// end of LoadImageFile, which shows the single message of a failed load.
//
// Loading a page leaves the library's change flag alone: clearing it would
// silently drop what a supervisor taught before opening the next page.
#include "input/ImageLoading.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "formats/BmpCodec.h"
#include "formats/JpegCodec.h"
#include "formats/PictureReader.h"
#include "formats/TiffReader.h"
#include "platform/ByteOrder.h"
#include "platform/FileIo.h"
#include "platform/UiHooks.h"

namespace input {
namespace {

using platform::BitmapInfoHeader;

constexpr size_t kFileHeaderBytes = 14;
constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr size_t kSizeImageOffset = 20;

// The size of the pixel rows: the header's own figure for RLE pictures,
// otherwise stride × height (the height taken without its sign, so that
// top-down DIBs work too). False when the figures make no sense.
bool DibImageSize(const BitmapInfoHeader& header, uint32_t& size) {
  if (header.Compression == kRle8 || header.Compression == kRle4) {
    size = header.SizeImage;
    return true;
  }
  if (header.Width < 0) return false;
  const int64_t stride = (static_cast<int64_t>(header.BitCount) * header.Width + 31) / 32 * 4;
  const int64_t rows = std::llabs(static_cast<int64_t>(header.Height));
  if (stride > 0 && rows > int64_t{UINT32_MAX} / stride) return false;
  size = static_cast<uint32_t>(stride * rows);
  return true;
}

void ReadOrThrow(const std::string& name, std::vector<uint8_t>& data) {
  std::string error;
  if (!platform::ReadWholeFile(name, data, &error)) throw std::runtime_error(error);
}

platform::Bitmap LoadJpeg(const std::string& name) {
  std::vector<uint8_t> data;
  ReadOrThrow(name, data);
  platform::Bitmap picture;
  std::string error;
  if (!formats::DecodeJpeg(data.data(), data.size(), picture, &error)) throw std::runtime_error(error);
  return picture;
}

platform::Bitmap LoadTif(const std::string& name) {
  std::string why = kTiffReadError;
  const platform::GlobalHandle handle = formats::QVLoadImg(name.c_str(), &why);
  if (!handle) throw std::runtime_error(why);
  platform::Bitmap picture;
  try {
    std::vector<uint8_t> stream;
    if (!DibToBitmapStream(handle, stream) || !formats::DecodeBmp(stream.data(), stream.size(), picture)) {
      throw std::runtime_error(kTiffReadError);
    }
  } catch (const std::exception&) {
    throw std::runtime_error(kTiffReadError);
  }
  return picture;
}

platform::Bitmap LoadOther(const std::string& name) {
  platform::Bitmap picture;
  std::string error;
  if (!formats::ReadPictureFile(name, picture, &error)) throw std::runtime_error(error);
  return picture;
}

}  // namespace

uint16_t DibColorTableSize(const BitmapInfoHeader& header) {
  if (header.ClrUsed != 0) return static_cast<uint16_t>(header.ClrUsed * 4);
  switch (header.BitCount) {
    case 1:
      return 8;
    case 4:
      return 64;
    case 8:
      return 1024;
    default:
      return 0;
  }
}

bool DibToBitmapStream(platform::GlobalHandle handle, std::vector<uint8_t>& stream) {
  if (handle == 0) return false;
  auto* base = static_cast<uint8_t*>(platform::GlobalLock(handle));
  if (!base) return false;
  const size_t blockSize = platform::GlobalSize(handle);
  bool written = false;
  BitmapInfoHeader header;
  uint32_t imageSize = 0;
  if (blockSize >= sizeof header) {
    std::memcpy(&header, base, sizeof header);
    const uint16_t tableSize = DibColorTableSize(header);
    const uint64_t dibBytes = uint64_t{header.Size} + tableSize;
    if (header.Size >= sizeof header && DibImageSize(header, imageSize) &&
        dibBytes + imageSize <= blockSize && kFileHeaderBytes + dibBytes + imageSize <= UINT32_MAX) {
      if (header.Compression != kRle8 && header.Compression != kRle4) {
        std::memcpy(base + kSizeImageOffset, &imageSize, sizeof imageSize);
      }
      const size_t total = static_cast<size_t>(dibBytes) + imageSize;
      stream.reserve(stream.size() + kFileHeaderBytes + total);
      platform::AppendLe16(stream, kBmpSignature);
      platform::AppendLe32(stream, static_cast<uint32_t>(kFileHeaderBytes + total));
      platform::AppendLe16(stream, 0);
      platform::AppendLe16(stream, 0);
      platform::AppendLe32(stream, static_cast<uint32_t>(kFileHeaderBytes + dibBytes));
      stream.insert(stream.end(), base, base + total);
      written = true;
    }
  }
  platform::GlobalUnlock(handle);
  if (platform::GlobalFree(handle) != 0) throw std::runtime_error(kFreeMemoryError);
  return written;
}

bool LoadImageFile(platform::Bitmap& view, const std::string& name, std::string* reason) {
  platform::Ui().SetBusyCursor(true);
  try {
    const std::string extension = platform::LowerExtension(name);
    if (extension == ".jpg") {
      view = LoadJpeg(name);
      platform::Ui().ProcessMessages();
    } else if (extension == ".tif") {
      view = LoadTif(name);
    } else {
      view = LoadOther(name);
    }
  } catch (const std::exception& error) {
    platform::Ui().SetBusyCursor(false);
    platform::ShowNotice(kBitmapFileError);
    if (reason) *reason = error.what();
    return false;
  } catch (...) {
    platform::Ui().SetBusyCursor(false);
    platform::ShowNotice(kBitmapFileError);
    if (reason) reason->clear();
    return false;
  }
  platform::Ui().SetBusyCursor(false);
  return true;
}

}  // namespace input
