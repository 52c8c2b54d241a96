// Renders paragraphs of UTF-8 text onto 1-bit pages with FreeType and keeps
// the ground truth of every printed character.
//
// Every glyph is loaded once with monochrome hinting and kept with its
// advance, its bitmap and the extent of its ink. Paragraphs are broken into
// units: a character outside ASCII (Chinese characters, full-width forms) may
// break anywhere, a run of printable ASCII characters is a word that moves to
// the next line as a whole unless it is wider than a line by itself, and
// ASCII spaces separate words and vanish at a line break. Closing
// punctuation takes the character before it to the next line rather than
// start a line itself, and opening punctuation moves on with what follows
// it. Every paragraph starts with an indent of two full-width spaces. Lines
// sit LineSpacing em apart from the top margin down; a line whose em box
// would pass the bottom margin starts the next page. A character's box is
// the ink it left on the page, so glyphs that reach into a neighbour's box
// keep their own extent.
#include "training/PageRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "engine/ResultFiles.h"
#include "platform/Encoding.h"
#include "platform/FileIo.h"

namespace training {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMetresPerInch = 0.0254;
// The baseline lies this far below the top of the em box, as in the usual
// ideographic em box of Chinese fonts (0.88 em ascent, 0.12 em descent).
constexpr double kEmBoxAscent = 0.88;
constexpr int32_t kIndentSpaces = 2;
constexpr char32_t kFullWidthSpace = 0x3000;
constexpr char32_t kAsciiSpace = 0x20;
constexpr char32_t kAsciiDelete = 0x7F;
constexpr int32_t kFixedShift = 6;  // FreeType 26.6 fixed point
constexpr int32_t kFixedOne = 1 << kFixedShift;

// A glyph as rendered: its advance (26.6), the mono bitmap with its offset
// from the pen position, and the ink extent inside the bitmap.
struct Glyph {
  bool Printable = false;  // in the font and in GBK
  char32_t CodePoint = 0;
  std::string Gbk;
  std::string Utf8;
  int32_t Advance = 0;
  int32_t OffsetX = 0, OffsetY = 0;  // bitmap origin relative to pen and baseline
  int32_t Width = 0, Rows = 0;
  std::vector<uint8_t> Bits;  // one byte per pixel, 1 = ink
  bool HasInk = false;
  int32_t InkLeft = 0, InkTop = 0, InkRight = -1, InkBottom = -1;
};

// The GBK bytes of one code point, when it has a one-byte ASCII or a
// two-byte form (anything else, like the one-byte euro sign, is refused).
bool CodePointToGbk(char32_t cp, std::string& gbk) {
  if (cp < 0x80) {
    gbk.assign(1, static_cast<char>(cp));
    return cp >= kAsciiSpace && cp != kAsciiDelete;
  }
  if (!platform::Utf8ToGbk(platform::EncodeUtf8(cp), gbk)) return false;
  return gbk.size() == 2 && static_cast<uint8_t>(gbk[0]) >= 0x81;
}

class GlyphCache {
 public:
  ~GlyphCache() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  bool Open(const RenderOptions& options, std::string* error) {
    if (FT_Init_FreeType(&library_) != 0) return Fail("FreeType could not be initialised", error);
    if (FT_New_Face(library_, options.Font.Path.c_str(), options.Font.FaceIndex, &face_) != 0) {
      face_ = nullptr;
      return Fail("cannot open font " + options.Font.Path + " face " + std::to_string(options.Font.FaceIndex),
                  error);
    }
    const auto size = static_cast<FT_F26Dot6>(std::lround(options.PointSize * kFixedOne));
    if (FT_Set_Char_Size(face_, 0, size, options.Dpi, options.Dpi) != 0)
      return Fail("the font cannot be scaled to this size", error);
    const double emPixels = options.PointSize * options.Dpi / kPointsPerInch;
    weight_ = static_cast<FT_Pos>(std::lround(options.Weight * emPixels * kFixedOne));
    return true;
  }

  const Glyph& Get(char32_t cp) {
    auto found = glyphs_.find(cp);
    if (found != glyphs_.end()) return found->second;
    Glyph& glyph = glyphs_[cp];
    Load(cp, glyph);
    return glyph;
  }

 private:
  static bool Fail(const std::string& message, std::string* error) {
    if (error) *error = message;
    return false;
  }

  void Load(char32_t cp, Glyph& glyph) {
    if (!CodePointToGbk(cp, glyph.Gbk)) return;
    const FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (index == 0) return;
    // A changed weight needs the outline: embedded bitmaps are not used then.
    const FT_Int32 flags = weight_ == 0 ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(face_, index, flags) != 0) return;
    if (weight_ != 0 && face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
      FT_Outline_Embolden(&face_->glyph->outline, weight_);
    if (FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_MONO) != 0) return;
    const FT_GlyphSlot slot = face_->glyph;
    glyph.Printable = true;
    glyph.CodePoint = cp;
    glyph.Utf8 = platform::EncodeUtf8(cp);
    glyph.Advance = static_cast<int32_t>(slot->advance.x);
    glyph.OffsetX = slot->bitmap_left;
    glyph.OffsetY = -slot->bitmap_top;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.Width = static_cast<int32_t>(bitmap.width);
    glyph.Rows = static_cast<int32_t>(bitmap.rows);
    glyph.Bits.assign(static_cast<size_t>(glyph.Width) * glyph.Rows, 0);
    for (int32_t y = 0; y < glyph.Rows; ++y) {
      const uint8_t* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
      for (int32_t x = 0; x < glyph.Width; ++x) {
        if ((row[x >> 3] & (0x80 >> (x & 7))) == 0) continue;
        glyph.Bits[static_cast<size_t>(y) * glyph.Width + x] = 1;
        if (!glyph.HasInk) {
          glyph.InkLeft = glyph.InkRight = x;
          glyph.InkTop = glyph.InkBottom = y;
          glyph.HasInk = true;
        }
        glyph.InkLeft = std::min(glyph.InkLeft, x);
        glyph.InkRight = std::max(glyph.InkRight, x);
        glyph.InkBottom = y;
      }
    }
  }

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  FT_Pos weight_ = 0;  // 26.6 pixels
  std::map<char32_t, Glyph> glyphs_;
};

// A glyph placed on a line: pen position in 26.6 from the left page edge.
struct Placed {
  const Glyph* G;
  int32_t Pen;
};

struct Line {
  std::vector<Placed> Glyphs;
  std::string Text;
};

// Breaks paragraphs into lines that fit between the margins.
class LineBreaker {
 public:
  LineBreaker(GlyphCache& glyphs, const RenderOptions& options)
      : glyphs_(glyphs),
        left_(options.Margin * kFixedOne),
        right_((options.PageWidth - options.Margin) * kFixedOne) {
    const Glyph& ideographicSpace = glyphs_.Get(kFullWidthSpace);
    const int32_t em =
        static_cast<int32_t>(std::lround(options.PointSize * options.Dpi / kPointsPerInch * kFixedOne));
    indent_ = kIndentSpaces * (ideographicSpace.Printable ? ideographicSpace.Advance : em);
    const Glyph& space = glyphs_.Get(kAsciiSpace);
    space_ = space.Printable ? space.Advance : em / 2;
  }

  void AddParagraph(const std::u32string& text) {
    StartLine(left_ + indent_);
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] == kAsciiSpace) {
        if (!current_.Glyphs.empty()) pendingSpace_ = true;
        ++i;
        continue;
      }
      size_t end = i + 1;
      if (IsWordChar(text[i]))
        while (end < text.size() && IsWordChar(text[end])) ++end;
      PlaceUnit(text, i, end);
      i = end;
    }
    FinishLine();
  }

  std::vector<Line>& Lines() { return lines_; }

 private:
  static bool IsWordChar(char32_t cp) { return cp > kAsciiSpace && cp < kAsciiDelete; }

  static bool IsClosingPunctuation(char32_t cp) {
    static const std::u32string kClosing = U"、。，．：；？！）」』》〉”’】］｝…";
    return kClosing.find(cp) != std::u32string::npos;
  }
  static bool IsOpeningPunctuation(char32_t cp) {
    static const std::u32string kOpening = U"（「『《〈“‘【［｛";
    return kOpening.find(cp) != std::u32string::npos;
  }

  int32_t UnitWidth(const std::u32string& text, size_t begin, size_t end) {
    int32_t width = 0;
    for (size_t k = begin; k < end; ++k) {
      const Glyph& g = glyphs_.Get(text[k]);
      if (g.Printable) width += g.Advance;
    }
    return width;
  }

  // Places text[begin, end) on the current line, or on the next one when it
  // does not fit; a unit wider than a whole line is broken between characters.
  void PlaceUnit(const std::u32string& text, size_t begin, size_t end) {
    const int32_t width = UnitWidth(text, begin, end);
    if (width == 0) return;
    const int32_t space = pendingSpace_ ? space_ : 0;
    if (pen_ + space + width > right_ && !current_.Glyphs.empty()) {
      const std::vector<const Glyph*> carried = TakeCarriedGlyphs(end == begin + 1 ? text[begin] : 0);
      FinishLine();
      StartLine(left_);
      for (const Glyph* g : carried) Append(*g);
    }
    if (pendingSpace_ && !current_.Glyphs.empty()) {
      pen_ += space_;
      current_.Text.push_back(' ');
    }
    pendingSpace_ = false;
    for (size_t k = begin; k < end; ++k) {
      const Glyph& g = glyphs_.Get(text[k]);
      if (!g.Printable) continue;
      if (pen_ + g.Advance > right_ && !current_.Glyphs.empty()) {
        FinishLine();
        StartLine(left_);
      }
      Append(g);
    }
  }

  void Append(const Glyph& g) {
    current_.Glyphs.push_back({&g, pen_});
    current_.Text += g.Utf8;
    pen_ += g.Advance;
  }

  // The glyphs at the end of the line that go down to the next one with a
  // unit that does not fit: the character before closing punctuation (which
  // never starts a line), and opening punctuation (which never ends one).
  // Only whole characters of their own move, never the first glyph of a line.
  std::vector<const Glyph*> TakeCarriedGlyphs(char32_t nextUnit) {
    auto& glyphs = current_.Glyphs;
    size_t carry = 0;
    auto movable = [&](size_t fromEnd) {
      return !pendingSpace_ && glyphs.size() > fromEnd + 1 &&
             glyphs[glyphs.size() - 1 - fromEnd].G->Gbk.size() == 2;
    };
    if (IsClosingPunctuation(nextUnit) && movable(0) && !IsClosingPunctuation(glyphs.back().G->CodePoint))
      carry = 1;
    while (movable(carry) && IsOpeningPunctuation(glyphs[glyphs.size() - 1 - carry].G->CodePoint)) ++carry;
    std::vector<const Glyph*> carried;
    for (size_t k = glyphs.size() - carry; k < glyphs.size(); ++k) carried.push_back(glyphs[k].G);
    for (size_t k = 0; k < carry; ++k) {
      current_.Text.resize(current_.Text.size() - glyphs.back().G->Utf8.size());
      glyphs.pop_back();
    }
    return carried;
  }

  void StartLine(int32_t pen) {
    current_ = Line{};
    pen_ = pen;
    pendingSpace_ = false;
  }

  void FinishLine() {
    if (!current_.Glyphs.empty()) lines_.push_back(std::move(current_));
    current_ = Line{};
  }

  GlyphCache& glyphs_;
  int32_t left_, right_, indent_ = 0, space_ = 0;
  Line current_;
  int32_t pen_ = 0;
  bool pendingSpace_ = false;
  std::vector<Line> lines_;
};

void SetInk(platform::Bitmap& page, int32_t x, int32_t y, bool inkIsOne) {
  uint8_t& byte = page.Row(y)[x >> 3];
  const auto bit = static_cast<uint8_t>(0x80 >> (x & 7));
  if (inkIsOne)
    byte |= bit;
  else
    byte &= static_cast<uint8_t>(~bit);
}

platform::Bitmap BlankPage(const RenderOptions& options) {
  platform::Bitmap page(options.PageWidth, options.PageHeight, 1);
  const auto pelsPerMetre = static_cast<int32_t>(std::lround(options.Dpi / kMetresPerInch));
  page.XPelsPerMeter = page.YPelsPerMeter = pelsPerMetre;
  if (!options.InkIsOne) {
    // Entry 0 black: ink is bit 0, so the paper is all ones.
    std::swap(page.Palette()[0], page.Palette()[1]);
    std::fill(page.Bits().begin(), page.Bits().end(), 0xFF);
  }
  return page;
}

// Draws one glyph with its pen at (pen >> 6, baseline) and records its ink
// box, clipped to the page; a glyph without ink on the page has no entry.
void DrawGlyph(const Glyph& g, int32_t penX, int32_t baseline, int32_t lineIndex,
               const RenderOptions& options, RenderedPage& out) {
  if (!g.HasInk) return;
  const int32_t originX = penX + g.OffsetX;
  const int32_t originY = baseline + g.OffsetY;
  RenderedChar rendered{g.Gbk, 0, 0, -1, -1, lineIndex};
  bool inked = false;
  for (int32_t y = g.InkTop; y <= g.InkBottom; ++y) {
    const int32_t pageY = originY + y;
    if (pageY < 0 || pageY >= options.PageHeight) continue;
    for (int32_t x = g.InkLeft; x <= g.InkRight; ++x) {
      const int32_t pageX = originX + x;
      if (pageX < 0 || pageX >= options.PageWidth || !g.Bits[static_cast<size_t>(y) * g.Width + x]) continue;
      SetInk(out.Page, pageX, pageY, options.InkIsOne);
      if (!inked) {
        rendered.Left = rendered.Right = pageX;
        rendered.Top = pageY;
        inked = true;
      }
      rendered.Left = std::min(rendered.Left, pageX);
      rendered.Right = std::max(rendered.Right, pageX);
      rendered.Bottom = pageY;
    }
  }
  if (inked) out.Chars.push_back(rendered);
}

bool CheckOptions(const RenderOptions& options, double emPixels, std::string* error) {
  const char* problem = nullptr;
  if (options.Dpi <= 0 || options.PointSize <= 0 || options.LineSpacing <= 0)
    problem = "dpi, point size and line spacing must be positive";
  else if (options.Margin < 0 || options.PageWidth - 2 * options.Margin < emPixels ||
           options.PageHeight - 2 * options.Margin < emPixels)
    problem = "the page is too small for one line of this size";
  else if (static_cast<int64_t>(options.PageWidth) * options.PageHeight > platform::kMaxPixels)
    problem = "the page is too large";
  if (problem && error) *error = problem;
  return problem == nullptr;
}

}  // namespace

bool RenderText(const std::vector<std::string>& paragraphs, const RenderOptions& options,
                std::vector<RenderedPage>& pages, std::string* error) {
  pages.clear();
  const double emPixels = options.PointSize * options.Dpi / kPointsPerInch;
  if (!CheckOptions(options, emPixels, error)) return false;
  GlyphCache glyphs;
  if (!glyphs.Open(options, error)) return false;

  LineBreaker breaker(glyphs, options);
  for (const std::string& paragraph : paragraphs) breaker.AddParagraph(platform::DecodeUtf8(paragraph));

  const auto pitch = static_cast<int32_t>(std::lround(options.LineSpacing * emPixels));
  const auto ascent = static_cast<int32_t>(std::lround(kEmBoxAscent * emPixels));
  const auto emHeight = static_cast<int32_t>(std::lround(emPixels));
  const int32_t bottomLimit = options.PageHeight - options.Margin;
  int32_t top = 0;
  for (Line& line : breaker.Lines()) {
    if (pages.empty() || top + emHeight > bottomLimit) {
      pages.push_back(RenderedPage{BlankPage(options), {}, {}});
      top = options.Margin;
    }
    RenderedPage& page = pages.back();
    const auto lineIndex = static_cast<int32_t>(page.Lines.size());
    for (const Placed& placed : line.Glyphs)
      DrawGlyph(*placed.G, placed.Pen >> kFixedShift, top + ascent, lineIndex, options, page);
    page.Lines.push_back(std::move(line.Text));
    top += pitch;
  }
  return true;
}

bool WriteGroundTruth(const std::string& path, const RenderedPage& page) {
  std::vector<engine::GroundTruthRecord> records;
  records.reserve(page.Chars.size());
  for (const RenderedChar& c : page.Chars) {
    if (c.Gbk.empty() || c.Gbk.size() > 2) continue;
    const auto lead = static_cast<uint8_t>(c.Gbk[0]);
    const auto trail = static_cast<uint8_t>(c.Gbk.size() == 2 ? c.Gbk[1] : 0);
    records.push_back(
        {engine::StoredCode(core::MakeCode(lead, trail)), core::Box{c.Left, c.Right, c.Top, c.Bottom}, 0});
  }
  return engine::WriteGroundTruthFile(path, records);
}

bool WriteLineText(const std::string& path, const RenderedPage& page) {
  std::string text;
  for (const std::string& line : page.Lines) text += line + '\n';
  return platform::WriteFileAtomically(path, text);
}

}  // namespace training
