// Page preparation without a person at the controls (see PagePreparation.h).
// A page that is not black and white yet becomes a 256-level grey image, as
// in the desktop program, and then monochrome: at the threshold given, as the
// threshold dialog does, or by default adaptively, so that uneven light and
// tinted paper do not swallow the text. Turns and skew correction work on the
// monochrome page, as they do there.
#include "app/PagePreparation.h"

#include "app/AdaptiveThreshold.h"
#include "app/PageOrientation.h"
#include "formats/PageWriters.h"
#include "imaging/ColourConvert.h"
#include "imaging/Rotation.h"
#include "imaging/UIncline.h"

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
  platform::Bitmap mono;
  const bool made = preparation.Threshold ? imaging::ThresholdToMono(grey, mono, *preparation.Threshold)
                                          : AdaptiveThreshold(grey, mono);
  if (!made) {
    error = "the page could not be turned into black and white";
    return false;
  }
  mono.XPelsPerMeter = grey.XPelsPerMeter;
  mono.YPelsPerMeter = grey.YPelsPerMeter;
  page = std::move(mono);
  return true;
}

bool TurnUpright(platform::Bitmap& page, const Preparation& preparation, std::string& error) {
  const int32_t turn =
      preparation.Rotation != 0 ? preparation.Rotation : preparation.AutoRotate ? DetectOrientation(page) : 0;
  if (turn != 0 && !imaging::RotateBitmap(page, turn)) {
    error = "the page could not be turned";
    return false;
  }
  return true;
}

bool Straighten(platform::Bitmap& page, const Preparation& preparation, std::string& error) {
  if (preparation.Deskew && !imaging::StraightenIfSkewed(page)) {
    error = "the skew of the page could not be corrected";
    return false;
  }
  return true;
}

}  // namespace

bool PreparePage(platform::Bitmap& page, const Preparation& preparation, std::string& error) {
  return MakeMonochrome(page, preparation, error) && TurnUpright(page, preparation, error) &&
         Straighten(page, preparation, error);
}

bool SavePage(const std::string& path, const platform::Bitmap& page, std::string& error) {
  if (formats::SavePageImage(path, page)) return true;
  error = "cannot save the page";
  return false;
}

}  // namespace app
