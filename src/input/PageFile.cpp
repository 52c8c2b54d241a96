// Page image files (see PageFile.h).
#include "input/PageFile.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <stdexcept>

#include "formats/BmpCodec.h"
#include "formats/FormatSignature.h"
#include "formats/JpegCodec.h"
#include "formats/PictureReader.h"
#include "formats/TiffReader.h"
#include "input/ImageLoading.h"
#include "platform/FileIo.h"
#include "platform/UiHooks.h"

namespace input {
namespace {

// The ".tif" route: the first page as a packed DIB from QVLoadImg, turned
// into a BMP file image and read back.
bool LoadTif(const std::string& name, platform::Bitmap& picture) {
  const platform::GlobalHandle handle = formats::QVLoadImg(name.c_str());
  if (!handle) return false;
  try {
    std::vector<uint8_t> stream;
    return DibToBitmapStream(handle, stream) && formats::DecodeBmp(stream.data(), stream.size(), picture);
  } catch (const std::exception&) {
    return false;
  }
}

// "PNG" for ".png": how a format is named in a reason.
std::string FormatName(const std::string& extension) {
  std::string name = extension.substr(extension.empty() ? 0 : 1);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name;
}

// Runs a decoding step; a failure to allocate, or any other exception from a
// decoder, is a failed read with its reason, never an escaping error.
template <typename Step>
bool Guarded(std::string& reason, Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    reason = "not enough memory to decode the picture";
  } catch (const std::exception& e) {
    reason = std::string("cannot decode the picture: ") + e.what();
  }
  return false;
}

}  // namespace

bool PageFile::Open(const std::string& name, std::string& reason, int dotsPerInch) {
  std::vector<uint8_t> data;
  if (!platform::ReadWholeFile(name, data, &reason)) return false;
  return OpenData(std::move(data), name, reason, dotsPerInch);
}

bool PageFile::OpenData(std::vector<uint8_t> data, const std::string& name, std::string& reason,
                        int dotsPerInch) {
  name_ = name;
  data_ = std::move(data);
  dotsPerInch_ = dotsPerInch;
  format_.clear();
  pageCount_ = 0;
  first_ = platform::Bitmap();
  return Guarded(reason, [&] {
    if (!DecodeFirstPage(reason)) return false;
    pageCount_ = std::max(1, formats::PicturePageCount(data_.data(), data_.size(), format_));
    return true;
  });
}

bool PageFile::DecodeFirstPage(std::string& reason) {
  const std::string extension = name_.empty() ? std::string() : platform::LowerExtension(name_);
  std::string why;
  bool read = false;
  if (extension == ".tif") {
    // QVLoadImg tells no reason; the same decoder, reading from memory, does.
    read = LoadTif(name_, first_) || formats::DecodePicture(data_.data(), data_.size(), extension, first_, &why);
  } else if (formats::HasDecoder(extension)) {
    read = formats::DecodePicturePage(data_.data(), data_.size(), extension, 0, dotsPerInch_, first_, &why);
  }
  if (read) {
    format_ = extension;
    // The window repaints after a JPEG page, as it does after the JPEG route.
    if (extension == ".jpg") platform::Ui().ProcessMessages();
    return true;
  }
  // The name did not lead to a decoder that reads the file: the content may.
  const std::string sniffed = formats::FormatBySignature(data_.data(), data_.size());
  if (!sniffed.empty()) {
    if (formats::DecodePicturePage(data_.data(), data_.size(), sniffed, 0, dotsPerInch_, first_, &why)) {
      format_ = sniffed;
      return true;
    }
    reason = "cannot decode the " + FormatName(sniffed) + " data: " + why;
  } else if (formats::HasDecoder(extension) && !why.empty()) {
    reason = "cannot decode as " + FormatName(extension) + ": " + why;
  } else {
    reason = data_.empty() ? "the file is empty" : "unsupported format: not a kind of picture this program reads";
  }
  first_ = platform::Bitmap();
  return false;
}

bool PageFile::ReadPage(int index, platform::Bitmap& page, std::string& reason) {
  if (index < 0 || index >= pageCount_) {
    reason = "there is no page " + std::to_string(index + 1);
    return false;
  }
  if (index == 0 && !first_.Empty()) {
    page = std::move(first_);
    first_ = platform::Bitmap();
    return true;
  }
  return Guarded(reason, [&] {
    std::string why;
    if (formats::DecodePicturePage(data_.data(), data_.size(), format_, index, dotsPerInch_, page, &why))
      return true;
    reason = "cannot decode page " + std::to_string(index + 1) + ": " + why;
    return false;
  });
}

}  // namespace input
