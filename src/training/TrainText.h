// Text sources of the training tool: corpus files (one paragraph a line,
// UTF-8 or GBK), the GB2312 code table in grid order, and the exclusion of
// paragraphs that also occur on held-back test pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace training {

// Reads a text file as paragraphs (one a line, UTF-8 out). A file that is not
// valid UTF-8 is read as GBK. Empty lines are dropped. False when the file
// cannot be read.
bool ReadParagraphs(const std::string& path, std::vector<std::string>& paragraphs);

// What a page of the GB2312 code table holds: every character that has a
// library number; all but the full-width letters and digits of row A3 (the
// ASCII row teaches the same codes with the shapes running text has; the
// wide circle of "Ｏ" is hardly told from "。"); or the hanzi alone (for
// renderings whose signs and letters would spoil those of sound pages).
enum class GridContent { Everything, NoWideAlphanumerics, HanziOnly };

// The characters of the code table in grid order: one paragraph per row
// (rows A1 … A3, then the hanzi rows B0 … F7), followed by one paragraph of
// the printable ASCII characters; as much of it as `content` says.
std::vector<std::string> Gb2312GridParagraphs(GridContent content = GridContent::Everything);

// The text of a paragraph with every white space (ASCII spaces, U+3000, …)
// removed, as code points: the form in which paragraphs are compared.
std::u32string NormalisedText(const std::string& utf8);

// Paragraphs that must stay out of training: those sharing a run of
// `RunLength` characters with the held-back texts, or (for paragraphs
// shorter than that) occurring whole inside one of them.
class ParagraphExclusion {
 public:
  static constexpr size_t kRunLength = 20;

  // Adds the text of a held-back page (its lines are joined).
  void AddHeldBackText(const std::string& utf8);
  // Adds every "*.txt" file in `folder` and in its immediate subfolders.
  // Returns the number of files read.
  int32_t AddHeldBackFolder(const std::string& folder);
  bool Excludes(const std::string& paragraph) const;
  bool Empty() const { return texts_.empty(); }

  // Removes the excluded paragraphs; returns how many were removed.
  size_t Filter(std::vector<std::string>& paragraphs) const;

 private:
  std::vector<std::u32string> texts_;
  std::vector<uint64_t> runHashes_;  // sorted
};

}  // namespace training
