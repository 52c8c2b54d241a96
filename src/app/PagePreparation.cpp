// Page preparation without a person at the controls. A page that is not
// black and white goes the way a user takes in the desktop program: a colour page becomes a
// 256-level grey image, the grey image becomes monochrome at the threshold
// given or, by default, at the one the grey histogram suggests. Quarter
// turns and skew correction work on the monochrome page, as they do there.
#include "app/PagePreparation.h"

#include "formats/PageWriters.h"
#include "imaging/ColourConvert.h"
#include "imaging/Rotation.h"
#include "imaging/UIncline.h"
#include "input/ImageLoading.h"

namespace app {

namespace {

constexpr uint16_t kMonoBits = 1;
constexpr uint16_t kGreyBits = 8;

bool IsGreyImage(const platform::Bitmap& page) {
  if (page.BitCount() != kGreyBits || page.Palette().size() != 256) return false;
  for (size_t i = 0; i < page.Palette().size(); ++i) {
    const platform::RgbQuad& entry = page.Palette()[i];
    if (entry.Red != i || entry.Green != i || entry.Blue != i) return false;
  }
  return true;
}

bool MakeMonochrome(platform::Bitmap& page, const Preparation& preparation, std::string& error) {
  if (page.BitCount() == kMonoBits) return true;
  platform::Bitmap grey;
  if (IsGreyImage(page)) {
    grey = std::move(page);
  } else if (!imaging::ColourToGrey(page, grey)) {
    error = "the page could not be turned into grey levels";
    return false;
  }
  const int32_t threshold = preparation.Threshold ? *preparation.Threshold : imaging::OtsuThreshold(grey);
  platform::Bitmap mono;
  if (!imaging::ThresholdToMono(grey, mono, threshold)) {
    error = "the page could not be turned into black and white";
    return false;
  }
  mono.XPelsPerMeter = grey.XPelsPerMeter;
  mono.YPelsPerMeter = grey.YPelsPerMeter;
  page = std::move(mono);
  return true;
}

}  // namespace

bool LoadPage(const std::string& path, platform::Bitmap& page, std::string& error) {
  // The loader shows its own message through the hooks on failure.
  if (!input::LoadImageFile(page, path)) {
    error = "cannot read the image";
    return false;
  }
  if (page.Empty()) {
    error = "the image is empty";
    return false;
  }
  return true;
}

bool PreparePage(platform::Bitmap& page, const Preparation& preparation, std::string& error) {
  if (!MakeMonochrome(page, preparation, error)) return false;
  if (preparation.Rotation != 0 && !imaging::RotateBitmap(page, preparation.Rotation)) {
    error = "the page could not be turned";
    return false;
  }
  if (preparation.Deskew && !imaging::StraightenIfSkewed(page)) {
    error = "the skew of the page could not be corrected";
    return false;
  }
  return true;
}

bool SavePage(const std::string& path, const platform::Bitmap& page, std::string& error) {
  if (formats::SavePageImage(path, page)) return true;
  error = "cannot save the page";
  return false;
}

}  // namespace app
