// Page orientation (see PageOrientation.h).
//
// The line direction is measured on the page reduced to a quarter of its
// size, in six stripes each way: a stripe across the lines of a level page
// shows a blank row between every two lines (about a third of its rows with
// a line pitch of 1.5), while a stripe along them finds only the narrow gaps
// between characters. Narrow stripes keep the gaps visible on slightly
// skewed pages. The sample read in each candidate turn is a window at the
// middle of the text, one whole line deep and fourteen characters long in
// that turn; it grows when the readings hint at a turn without deciding.
#include "app/PageOrientation.h"

#include <algorithm>
#include <vector>

#include "app/PagePix.h"
#include "app/Recognition.h"
#include "engine/EngineState.h"

namespace app {
namespace {

constexpr int kReduction = 4;  // the lines are measured on a quarter of the page's size
constexpr int kStripes = 6;
constexpr int kMinStripeRows = 8;
// A row of a stripe is blank when it has fewer ink pixels than this share
// of the stripe's width (specks do not fill a row).
constexpr int kBlankRowPercent = 2;
// The share of blank rows that shows lines across a stripe, and how many
// times more blank rows one direction must show than the other.
constexpr double kMinBlankShare = 0.12;
constexpr double kDirectionRatio = 2.0;
// The sample: kSampleLines whole lines of the middle stripe, doubled (up to
// kSampleRounds times) while the readings do not decide, kSampleLengthEms
// text heights long. Without lines to go by, a square of that side.
constexpr int kSampleLines = 1;
constexpr int kSampleRounds = 3;
constexpr int kSampleLengthEms = 14;
// A first reading with this share of confident characters, and at least
// kMinConvincing of them, settles the turn at once. Otherwise the turn whose
// reading has the largest share wins when that share is at least
// kMinWinningShare, kWinRatio times the next one, with kMinConfident
// characters; when it is less than kHintRatio times the next one the turns
// cannot be told apart (faint print, no text) and the page stays as it is.
constexpr double kConvincingShare = 0.7;
constexpr int kMinConvincing = 8;
constexpr double kMinWinningShare = 0.6;
constexpr double kWinRatio = 1.5;
constexpr int kMinConfident = 5;
constexpr double kHintRatio = 1.2;

enum class LineDirection { Across, UpDown, Unknown };

// A run of inked rows: the first and the last, in reduced pixels.
using Run = std::pair<int, int>;

struct LineMeasure {
  double BlankShare = 0;   // median over the stripes
  double TextHeight = 0;   // median length of a run of inked rows
  std::vector<Run> Lines;  // the runs of the middle stripe, in the picture's rows
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The lines of the picture across it (`across`) or up and down: the picture
// is cut into kStripes stripes at right angles to the lines looked for, and
// in each, between its first and last inked row (or column), the blank rows
// (columns) and the runs of inked ones are measured.
LineMeasure MeasureLines(PIX* pix, bool across) {
  const int width = pixGetWidth(pix), height = pixGetHeight(pix);
  const int stripeSide = (across ? width : height) / kStripes;
  if (stripeSide < 4) return {};
  LineMeasure measure;
  std::vector<double> shares, heights;
  for (int s = 0; s < kStripes; ++s) {
    BOX* box = across ? boxCreate(s * stripeSide, 0, stripeSide, height) : boxCreate(0, s * stripeSide, width, stripeSide);
    const PixPtr stripe(pixClipRectangle(pix, box, nullptr));
    boxDestroy(&box);
    if (!stripe) continue;
    NUMA* counts = across ? pixCountPixelsByRow(stripe.get(), nullptr) : pixCountPixelsByColumn(stripe.get());
    if (!counts) continue;
    const int n = numaGetCount(counts);
    const int blankBelow = std::max(1, stripeSide * kBlankRowPercent / 100);
    std::vector<int> rows(static_cast<size_t>(n));
    for (int y = 0; y < n; ++y) numaGetIValue(counts, y, &rows[static_cast<size_t>(y)]);
    numaDestroy(&counts);
    int first = 0, last = n - 1;
    while (first < n && rows[static_cast<size_t>(first)] < blankBelow) ++first;
    while (last > first && rows[static_cast<size_t>(last)] < blankBelow) --last;
    if (last - first < kMinStripeRows) continue;
    int blank = 0, runStart = -1;
    std::vector<Run> runs;
    for (int y = first; y <= last + 1; ++y) {
      const bool inked = y <= last && rows[static_cast<size_t>(y)] >= blankBelow;
      if (!inked && y <= last) ++blank;
      if (inked && runStart < 0) {
        runStart = y;
      } else if (!inked && runStart >= 0) {
        runs.emplace_back(runStart, y - 1);
        heights.push_back(y - runStart);
        runStart = -1;
      }
    }
    shares.push_back(static_cast<double>(blank) / (last - first + 1));
    if (s == kStripes / 2) measure.Lines = std::move(runs);
  }
  measure.BlankShare = Median(shares);
  measure.TextHeight = Median(heights);
  return measure;
}

struct TurnCandidate {
  int Quads = 0;  // clockwise quarter turns
  int Confident = 0;
  int Blocks = 0;

  double Share() const { return Blocks == 0 ? 0 : static_cast<double>(Confident) / Blocks; }
};

// Reads the window of the page turned by the candidate's quarter turns.
void ReadSample(PIX* page, BOX* window, TurnCandidate& candidate) {
  candidate.Confident = candidate.Blocks = 0;
  const PixPtr clip(pixClipRectangle(page, window, nullptr));
  if (!clip) return;
  const PixPtr turned(pixRotateOrth(clip.get(), candidate.Quads));
  platform::Bitmap sample;
  if (!turned || !PixToMono(turned.get(), sample)) return;
  PageResult result;
  if (RecognisePage(sample, core::Box{}, std::string(), result) != engine::RunOutcome::Done) return;
  for (const core::BlockList* line : engine::PageLines) {
    for (const core::CharBlock* block : *line) {
      ++candidate.Blocks;
      if (core::IsConfident(*block)) ++candidate.Confident;
    }
  }
}

bool Convincing(const TurnCandidate& c) {
  return c.Confident >= kMinConvincing && c.Share() >= kConvincingShare;
}

// What the readings of one window say: a turn, no turn to be found, or that
// a larger window may tell.
enum class Verdict { Decided, Undecidable, ReadMore };

Verdict Judge(std::vector<TurnCandidate> candidates, int& quads) {
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TurnCandidate& a, const TurnCandidate& b) { return a.Share() > b.Share(); });
  const TurnCandidate& best = candidates[0];
  const double next = candidates[1].Share();
  if (best.Confident >= kMinConfident && best.Share() >= kMinWinningShare && best.Share() >= kWinRatio * next) {
    quads = best.Quads;
    return Verdict::Decided;
  }
  return best.Share() >= kHintRatio * next ? Verdict::ReadMore : Verdict::Undecidable;
}

// A window in page pixels: `lines` lines of the measure around its middle
// line (with half a line gap around them), `length` long across them and
// centred on the text; `across` when the lines run across the page. The
// text's clip box `text` is in reduced pixels.
BOX* SampleWindow(const LineMeasure& measure, int lines, int length, bool across, BOX* text, int pageWidth,
                  int pageHeight) {
  l_int32 tx = 0, ty = 0, tw = 0, th = 0;
  boxGetGeometry(text, &tx, &ty, &tw, &th);
  const int count = static_cast<int>(measure.Lines.size());
  const int firstLine = std::max(0, count / 2 - lines / 2);
  const int lastLine = std::min(count, firstLine + lines) - 1;
  const int margin = measure.Lines.size() > 1 ? (measure.Lines[1].first - measure.Lines[0].second) / 2 : 0;
  const int start = (measure.Lines[firstLine].first - margin + (across ? ty : tx)) * kReduction;
  const int end = (measure.Lines[lastLine].second + margin + 1 + (across ? ty : tx)) * kReduction;
  const int centre = (across ? tx + tw / 2 : ty + th / 2) * kReduction;
  const int along = across ? pageWidth : pageHeight, deep = across ? pageHeight : pageWidth;
  const int size = std::min(length, along);
  const int from = std::clamp(centre - size / 2, 0, along - size);
  const int top = std::clamp(start, 0, deep - 1), bottom = std::clamp(end, top + 1, deep);
  return across ? boxCreate(from, top, size, bottom - top) : boxCreate(top, from, bottom - top, size);
}

}  // namespace

int32_t DetectOrientation(const platform::Bitmap& mono) {
  const PixPtr page = MonoToPix(mono);
  if (!page) return 0;
  const PixPtr reduced(pixReduceRankBinaryCascade(page.get(), 1, 1, 0, 0));
  PIX* textPix = nullptr;
  BOX* textBox = nullptr;
  if (!reduced || pixClipToForeground(reduced.get(), &textPix, &textBox) != 0 || !textPix) return 0;
  const PixPtr text(textPix);
  const LineMeasure rows = MeasureLines(text.get(), true);
  const LineMeasure columns = MeasureLines(text.get(), false);
  LineDirection direction = LineDirection::Unknown;
  if (rows.BlankShare >= kMinBlankShare && rows.BlankShare >= kDirectionRatio * columns.BlankShare &&
      !rows.Lines.empty())
    direction = LineDirection::Across;
  else if (columns.BlankShare >= kMinBlankShare && columns.BlankShare >= kDirectionRatio * rows.BlankShare &&
           !columns.Lines.empty())
    direction = LineDirection::UpDown;

  std::vector<TurnCandidate> candidates;
  switch (direction) {
    case LineDirection::Across:
      candidates = {{0}, {2}};
      break;
    case LineDirection::UpDown:
      candidates = {{1}, {3}};
      break;
    case LineDirection::Unknown:
      candidates = {{0}, {1}, {2}, {3}};
      break;
  }
  const LineMeasure& measure = direction == LineDirection::UpDown ? columns : rows;
  const int length = kSampleLengthEms * kReduction * std::max(1, static_cast<int>(measure.TextHeight));
  int32_t turn = 0;
  for (int round = 0, lines = kSampleLines; round < kSampleRounds; ++round, lines *= 2) {
    BOX* window = nullptr;
    if (direction == LineDirection::Unknown) {
      l_int32 tx = 0, ty = 0, tw = 0, th = 0;
      boxGetGeometry(textBox, &tx, &ty, &tw, &th);
      const int side = std::min({length << round, mono.Width(), mono.Height()});
      window = boxCreate(std::clamp((tx + tw / 2) * kReduction - side / 2, 0, mono.Width() - side),
                         std::clamp((ty + th / 2) * kReduction - side / 2, 0, mono.Height() - side), side, side);
    } else {
      window = SampleWindow(measure, lines, length, direction == LineDirection::Across, textBox, mono.Width(),
                            mono.Height());
    }
    Verdict verdict = Verdict::ReadMore;
    for (TurnCandidate& candidate : candidates) {
      ReadSample(page.get(), window, candidate);
      // The likelier turn, read first, may settle it alone.
      if (round == 0 && &candidate == &candidates.front() && Convincing(candidate)) {
        verdict = Verdict::Decided;
        turn = 90 * candidate.Quads;
        break;
      }
    }
    boxDestroy(&window);
    int quads = 0;
    if (verdict != Verdict::Decided) {
      verdict = Judge(candidates, quads);
      if (verdict == Verdict::Decided) turn = 90 * quads;
    }
    if (verdict != Verdict::ReadMore) break;
  }
  boxDestroy(&textBox);
  return turn;
}

}  // namespace app
