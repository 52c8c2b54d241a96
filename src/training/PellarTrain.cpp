// pellarocr-train: builds template libraries and the character-pair file.
//
//   render     lays out training pages from a font and a text source, renders
//              and optionally degrades them, and writes each page as a 1-bit
//              BMP with its ".RED" ground-truth file and its text (".txt") beside it;
//   learn      teaches a library from such pages, then corrects it by
//              recognising pages and teaching what was read wrongly;
//   wordpairs  builds Word.Dat from running text;
//   stats      prints the size of a library and of a Word.Dat.
//
// Every subcommand is deterministic for the same inputs and options.
// Exit status: 0 success, 1 bad usage or environment, 2 unreadable input.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/Rounding.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "formats/BmpCodec.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"
#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "training/PageRenderer.h"
#include "training/TrainDegrade.h"
#include "training/TrainLearn.h"
#include "training/TrainText.h"
#include "training/TrainWordPairs.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "0"
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitInput = 2;

constexpr double kA4WidthMm = 210;
constexpr double kA4HeightMm = 297;
constexpr double kMarginMm = 25;
constexpr double kMmPerInch = 25.4;
constexpr double kMetresPerInch = 0.0254;

const char kUsage[] =
    "usage: pellarocr-train COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  render     --font FILE[:FACE] --out DIR (--grid [--no-wide-alnum | --hanzi-only] | --text FILE) [options]\n"
    "             --size PT (12)  --dpi N (300)  --name PREFIX (page)  --seed N (1)\n"
    "             --chars N (characters of running text, 20000)  --exclude DIR (repeatable)\n"
    "             --hold-out DIR (repeatable: its paragraphs are dropped from the chosen text)\n"
    "             --line-spacing EM (1.5)  --max-pages N  --weight EM (0: stroke weight change)\n"
    "             degradations: --reduce K (render at K times the resolution, then reduce)\n"
    "             --skew DEG  --blur SIGMA  --spread S (0..1)  --noise SD  --threshold T (128)\n"
    "             --specks-black N  --specks-white N  --as-scanned (broken strokes left as\n"
    "             they are instead of thickened as the recognition thickens them)\n"
    "  learn      --out DIR [--base DIR] [--force-learn no|yes|all] [--correct PAGES]...\n"
    "             [--passes N (1)] [--min-overlap X (0.7)] [--word-pairs FILE] PAGES...\n"
    "             PAGES are .bmp files or folders of .bmp files with a .RED file beside them;\n"
    "             DIR gets the library and the Word.Dat learning used (--word-pairs, else the\n"
    "             one in --base, else one without character pairs)\n"
    "  wordpairs  --out FILE [--exclude DIR]... [--min-count N (2)] [--max-pred N (32)]\n"
    "             [--max-succ N (32)] TEXT...\n"
    "  stats      [--library DIR] [--word-pairs FILE]\n"
    "\n"
    "  --help     this text\n"
    "  --version  the version\n";

// Options of one subcommand: "--name value" pairs (repeatable), "--flag"
// switches and positional arguments.
class Arguments {
 public:
  Arguments(int argc, char** argv, int first, const std::set<std::string>& flags) {
    for (int i = first; i < argc; ++i) {
      const std::string a = argv[i];
      if (a.rfind("--", 0) != 0 || a.size() == 2) {
        positional_.push_back(a);
      } else if (flags.count(a)) {
        values_[a].push_back("");
      } else if (i + 1 < argc) {
        values_[a].push_back(argv[++i]);
      } else {
        error_ = "option " + a + " needs a value";
      }
    }
  }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::string Get(const std::string& name, const std::string& fallback = "") const {
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
  }
  std::vector<std::string> All(const std::string& name) const {
    const auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
  }
  bool Number(const std::string& name, double fallback, double& out) {
    const std::string text = Get(name);
    if (text.empty()) {
      out = fallback;
      return true;
    }
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(out)) {
      error_ = "option " + name + ": not a number: " + text;
      return false;
    }
    return true;
  }
  bool Integer(const std::string& name, int64_t fallback, int64_t& out) {
    double value = 0;
    if (!Number(name, static_cast<double>(fallback), value)) return false;
    if (value != std::floor(value)) {
      error_ = "option " + name + ": not a whole number: " + Get(name);
      return false;
    }
    out = static_cast<int64_t>(value);
    return true;
  }
  // Unknown options are usage errors.
  bool OnlyKnown(const std::set<std::string>& known) {
    for (const auto& [name, list] : values_) {
      if (!known.count(name)) error_ = "unknown option " + name;
    }
    return error_.empty();
  }
  const std::vector<std::string>& Positional() const { return positional_; }
  const std::string& Error() const { return error_; }

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positional_;
  std::string error_;
};

int UsageError(const std::string& message) {
  std::cerr << "pellarocr-train: " << message << "\n(see pellarocr-train --help)\n";
  return kExitUsage;
}

int InputError(const std::string& message) {
  std::cerr << "pellarocr-train: " << message << "\n";
  return kExitInput;
}

int32_t PixelsOf(double mm, int32_t dpi) {
  return static_cast<int32_t>(core::RoundHalfEven(mm / kMmPerInch * dpi));
}

bool ParseFont(const std::string& text, training::FontFace& font) {
  font.Path = text;
  font.FaceIndex = 0;
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos && colon + 1 < text.size() &&
      text.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    font.Path = text.substr(0, colon);
    font.FaceIndex = std::atoi(text.c_str() + colon + 1);
  }
  return !font.Path.empty();
}

// Consecutive paragraphs from a place chosen by the seed, until `chars`
// characters (white space not counted) are collected; wraps around.
std::vector<std::string> SelectRunningText(const std::vector<std::string>& paragraphs, int64_t chars,
                                           uint64_t seed) {
  std::vector<std::string> chosen;
  if (paragraphs.empty()) return chosen;
  training::Random random(seed);
  size_t at = static_cast<size_t>(random.Next() % paragraphs.size());
  int64_t collected = 0;
  for (size_t taken = 0; collected < chars && taken < paragraphs.size(); ++taken) {
    chosen.push_back(paragraphs[at]);
    collected += static_cast<int64_t>(training::NormalisedText(paragraphs[at]).size());
    at = (at + 1) % paragraphs.size();
  }
  return chosen;
}

bool LoadExclusions(const std::vector<std::string>& folders, training::ParagraphExclusion& exclusion,
                    std::string& error) {
  for (const std::string& folder : folders) {
    if (exclusion.AddHeldBackFolder(folder) == 0) {
      error = "no *.txt files to exclude in " + folder;
      return false;
    }
  }
  return true;
}

int Render(Arguments& args) {
  if (!args.OnlyKnown({"--font",         "--size",         "--dpi",           "--grid",      "--text",
                       "--chars",        "--exclude",      "--hold-out",      "--out",       "--name",
                       "--seed",         "--line-spacing", "--no-wide-alnum", "--max-pages", "--reduce",
                       "--skew",         "--blur",         "--spread",        "--noise",     "--threshold",
                       "--specks-black", "--specks-white", "--weight",        "--as-scanned",  "--hanzi-only"}))
    return UsageError(args.Error());
  training::RenderOptions options;
  if (!args.Has("--font") || !ParseFont(args.Get("--font"), options.Font))
    return UsageError("render needs --font");
  if (!args.Has("--out")) return UsageError("render needs --out");
  if (args.Has("--grid") == args.Has("--text"))
    return UsageError("render needs either --grid or --text FILE");
  double size = 0, lineSpacing = 0, skew = 0, blur = 0, spread = 0, noise = 0, weight = 0;
  int64_t dpi = 0, seed = 0, chars = 0, maxPages = 0, reduce = 0, threshold = 0, black = 0, white = 0;
  if (!args.Number("--size", 12, size) || !args.Integer("--dpi", 300, dpi) ||
      !args.Integer("--seed", 1, seed) || !args.Integer("--chars", 20000, chars) ||
      !args.Number("--line-spacing", 1.5, lineSpacing) || !args.Integer("--max-pages", 0, maxPages) ||
      !args.Integer("--reduce", 1, reduce) || !args.Number("--skew", 0, skew) ||
      !args.Number("--blur", 0, blur) || !args.Number("--spread", 0, spread) ||
      !args.Number("--noise", 0, noise) || !args.Integer("--threshold", 128, threshold) ||
      !args.Integer("--specks-black", 0, black) || !args.Integer("--specks-white", 0, white) ||
      !args.Number("--weight", 0, weight))
    return UsageError(args.Error());
  if (size <= 0 || dpi < 50 || dpi > 1200 || reduce < 1 || reduce > 4 || lineSpacing < 1 || blur < 0 ||
      spread < 0 || spread > 1 || noise < 0 || threshold < 0 || threshold > 255 || black < 0 || white < 0 ||
      std::fabs(skew) > 10 || std::fabs(weight) > 0.1)
    return UsageError("render: an option is out of range");

  std::vector<std::string> paragraphs;
  if (args.Has("--grid")) {
    using training::GridContent;
    paragraphs = training::Gb2312GridParagraphs(args.Has("--hanzi-only")      ? GridContent::HanziOnly
                                                : args.Has("--no-wide-alnum") ? GridContent::NoWideAlphanumerics
                                                                              : GridContent::Everything);
  } else {
    std::vector<std::string> all;
    if (!training::ReadParagraphs(args.Get("--text"), all))
      return InputError("cannot read " + args.Get("--text"));
    training::ParagraphExclusion exclusion;
    std::string error;
    if (!LoadExclusions(args.All("--exclude"), exclusion, error)) return InputError(error);
    const size_t excluded = exclusion.Filter(all);
    std::cout << "paragraphs: " << all.size() << " (" << excluded << " left out)\n";
    paragraphs = SelectRunningText(all, chars, static_cast<uint64_t>(seed));
    // Held-out text is dropped after the choice, so that setting a text
    // aside leaves the rest of the chosen text where it was.
    training::ParagraphExclusion heldOut;
    if (!LoadExclusions(args.All("--hold-out"), heldOut, error)) return InputError(error);
    heldOut.Filter(paragraphs);
  }

  const auto renderDpi = static_cast<int32_t>(dpi * reduce);
  options.PointSize = size;
  options.Dpi = renderDpi;
  options.PageWidth = PixelsOf(kA4WidthMm, renderDpi);
  options.PageHeight = PixelsOf(kA4HeightMm, renderDpi);
  options.Margin = PixelsOf(kMarginMm, renderDpi);
  options.LineSpacing = lineSpacing;
  options.Weight = weight;
  options.InkIsOne = true;
  std::vector<training::RenderedPage> pages;
  std::string error;
  if (!training::RenderText(paragraphs, options, pages, &error)) return InputError(error);
  if (maxPages > 0 && pages.size() > static_cast<size_t>(maxPages))
    pages.resize(static_cast<size_t>(maxPages));

  const std::string out = args.Get("--out");
  std::error_code ec;
  fs::create_directories(out, ec);
  const std::string prefix = args.Get("--name", "page");
  size_t characters = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    training::Degradation d;
    d.Reduce = static_cast<int32_t>(reduce);
    d.SkewDegrees = skew;
    d.BlurSigma = blur;
    d.InkSpread = spread;
    d.NoiseDeviation = noise;
    d.Threshold = static_cast<int32_t>(threshold);
    d.BlackSpecks = static_cast<int32_t>(black);
    d.WhiteSpecks = static_cast<int32_t>(white);
    d.Seed = static_cast<uint64_t>(seed) * 1000003ULL + i;
    d.ThickenBroken = !args.Has("--as-scanned");
    training::DegradePage(pages[i], d);
    const auto pelsPerMetre = static_cast<int32_t>(core::RoundHalfEven(dpi / kMetresPerInch));
    pages[i].Page.XPelsPerMeter = pelsPerMetre;
    pages[i].Page.YPelsPerMeter = pelsPerMetre;
    char name[32];
    std::snprintf(name, sizeof name, "-%03zu.bmp", i + 1);
    const std::string path = (fs::path(out) / (prefix + name)).string();
    if (!formats::WriteBmpFile(path, pages[i].Page)) return UsageError("cannot write " + path);
    if (!training::WriteGroundTruth(path + ".RED", pages[i]))
      return UsageError("cannot write " + path + ".RED");
    const std::string textPath = (fs::path(out) / (prefix + name)).replace_extension(".txt").string();
    if (!training::WriteLineText(textPath, pages[i])) return UsageError("cannot write " + textPath);
    characters += pages[i].Chars.size();
  }
  std::cout << "pages: " << pages.size() << ", characters: " << characters << "\n";
  return kExitOk;
}

platform::Answer ParseForceAnswer(const std::string& text, bool& ok) {
  ok = true;
  if (text == "no") return platform::Answer::No;
  if (text == "yes") return platform::Answer::Yes;
  if (text == "all") return platform::Answer::All;
  ok = false;
  return platform::Answer::No;
}

// A Word.Dat image without any record: no context.
std::vector<uint8_t> EmptyWordPairs() {
  return std::vector<uint8_t>(library::kWordPairIndexBytes, 0);
}

int Learn(Arguments& args) {
  if (!args.OnlyKnown(
          {"--out", "--base", "--force-learn", "--correct", "--passes", "--min-overlap", "--word-pairs"}))
    return UsageError(args.Error());
  if (!args.Has("--out")) return UsageError("learn needs --out");
  bool forceOk = false;
  const platform::Answer force = ParseForceAnswer(args.Get("--force-learn", "no"), forceOk);
  if (!forceOk) return UsageError("--force-learn takes no, yes or all");
  int64_t passes = 0;
  double minOverlap = 0;
  if (!args.Integer("--passes", 1, passes) || !args.Number("--min-overlap", 0.7, minOverlap))
    return UsageError(args.Error());
  if (passes < 0 || minOverlap <= 0 || minOverlap > 1) return UsageError("learn: an option is out of range");

  const std::vector<std::string> pages = training::CollectPages(args.Positional());
  const std::vector<std::string> correctPages = training::CollectPages(args.All("--correct"));
  if (pages.empty() && correctPages.empty()) return UsageError("learn needs pages");

  training::LearningUi ui(force);
  platform::SetUi(&ui);
  engine::BuildShapeLists();
  // The Word.Dat learning starts from goes into the new library folder, so
  // that the library works at once: the one named, else the base library's,
  // else one without any character pairs.
  std::string wordPairsFile = args.Get("--word-pairs");
  if (wordPairsFile.empty() && args.Has("--base")) {
    const fs::path beside = fs::path(args.Get("--base")) / "Word.Dat";
    if (fs::exists(beside)) wordPairsFile = beside.string();
  }
  std::vector<uint8_t> wordPairs = EmptyWordPairs();
  std::string readError;
  if (!wordPairsFile.empty() && !platform::ReadWholeFile(wordPairsFile, wordPairs, &readError))
    return InputError("cannot read " + wordPairsFile + ": " + readError);
  if (!library::SetWordPairData(wordPairs)) return InputError("cannot read " + wordPairsFile);
  if (args.Has("--base")) {
    library::SetProgramFolder(args.Get("--base"));
    const library::LoadProgress progress = [](int32_t) {};
    if (!library::LoadLibrary(&progress))
      return InputError("cannot read the library in " + args.Get("--base"));
  } else {
    library::ClearLibrary();
  }

  const double start = platform::MonotonicSeconds();
  const int64_t initial = training::LibraryEntries();
  for (const std::string& page : pages) {
    std::string error;
    if (!training::LearnPageFromGroundTruth(page, &error)) return InputError(error);
  }
  const int64_t learned = training::LibraryEntries();
  std::printf("learned %zu pages: %lld entries added (%.1f s)\n", pages.size(),
              static_cast<long long>(learned - initial), platform::MonotonicSeconds() - start);

  for (int64_t pass = 1; pass <= passes && !correctPages.empty(); ++pass) {
    const double passStart = platform::MonotonicSeconds();
    const int64_t before = training::LibraryEntries();
    training::CorrectionCounts counts;
    for (const std::string& page : correctPages) {
      std::string error;
      if (!training::CorrectPage(page, minOverlap, counts, &error)) return InputError(error);
    }
    std::printf(
        "correction pass %lld over %zu pages: %d blocks, %d matched, %d read wrongly (%.2f %%), "
        "%d taught, %lld entries added (%.1f s)\n",
        static_cast<long long>(pass), correctPages.size(), counts.Blocks, counts.Matched, counts.Wrong,
        counts.Matched ? 100.0 * counts.Wrong / counts.Matched : 0.0, counts.Taught,
        static_cast<long long>(training::LibraryEntries() - before),
        platform::MonotonicSeconds() - passStart);
  }
  std::printf("library: %lld entries; questions answered: %d forced entry, %d refused entry\n",
              static_cast<long long>(training::LibraryEntries()), ui.ForcedQuestions, ui.RefusalQuestions);
  for (const std::string& message : ui.OtherMessages) std::cerr << "message: " << message << "\n";

  std::string error;
  const bool saved = training::SaveLibraryInto(args.Get("--out"), &error);
  platform::SetUi(nullptr);
  if (!saved) return UsageError(error);
  const std::string wordPairsCopy = (fs::path(args.Get("--out")) / "Word.Dat").string();
  if (!platform::WriteFileAtomically(wordPairsCopy, wordPairs))
    return UsageError("cannot write " + wordPairsCopy);
  return kExitOk;
}

int WordPairs(Arguments& args) {
  if (!args.OnlyKnown({"--out", "--exclude", "--min-count", "--max-pred", "--max-succ"}))
    return UsageError(args.Error());
  if (!args.Has("--out")) return UsageError("wordpairs needs --out");
  if (args.Positional().empty()) return UsageError("wordpairs needs text files");
  int64_t minCount = 0, maxPred = 0, maxSucc = 0;
  if (!args.Integer("--min-count", 2, minCount) || !args.Integer("--max-pred", 32, maxPred) ||
      !args.Integer("--max-succ", 32, maxSucc))
    return UsageError(args.Error());
  if (minCount < 1 || maxPred < 0 || maxSucc < 0 || maxPred > 10000 || maxSucc > 10000)
    return UsageError("wordpairs: an option is out of range");

  training::ParagraphExclusion exclusion;
  std::string error;
  if (!LoadExclusions(args.All("--exclude"), exclusion, error)) return InputError(error);
  training::WordPairCounter counter;
  size_t used = 0, excluded = 0;
  for (const std::string& file : args.Positional()) {
    std::vector<std::string> paragraphs;
    if (!training::ReadParagraphs(file, paragraphs)) return InputError("cannot read " + file);
    excluded += exclusion.Filter(paragraphs);
    for (const std::string& p : paragraphs) counter.AddParagraph(p);
    used += paragraphs.size();
  }
  training::WordPairLimits limits;
  limits.MinCount = static_cast<int32_t>(minCount);
  limits.MaxPredecessors = static_cast<int32_t>(maxPred);
  limits.MaxSuccessors = static_cast<int32_t>(maxSucc);
  const std::vector<uint8_t> data = counter.Build(limits);
  if (!platform::WriteFileAtomically(args.Get("--out"), data))
    return UsageError("cannot write " + args.Get("--out"));
  std::printf("paragraphs: %zu used, %zu left out; distinct pairs: %zu; Word.Dat: %zu bytes\n", used,
              excluded, counter.DistinctPairs(), data.size());
  return kExitOk;
}

void PrintLibraryStats() {
  std::set<library::CharIndex> characters;
  int64_t entries = 0;
  int32_t longest = 0;
  std::printf("table  lists  entries  longest\n");
  for (int32_t t = 0; t < library::kTableCount; ++t) {
    const library::TableStats s = library::StatsOfTable(t);
    std::printf("%5d %6d %8lld %8d\n", t, s.Lists, static_cast<long long>(s.Entries), s.LongestList);
    entries += s.Entries;
    longest = std::max(longest, s.LongestList);
    for (int32_t i = 0; i < library::kFeatureIndexCount; ++i) {
      const library::CharIndex* list = library::SlotList(t, i);  // the stored lists, not the packed copy
      for (; list && *list; ++list) characters.insert(*list);
    }
  }
  std::printf("library: %zu characters, %lld entries, longest list %d\n", characters.size(),
              static_cast<long long>(entries), longest);
}

void PrintWordPairStats() {
  int32_t records = 0, longestPred = 0, longestSucc = 0;
  int64_t preds = 0, succs = 0;
  for (uint32_t value = 0; value < 65536; ++value) {
    const uint16_t* record = library::WordPairRecord(static_cast<core::CharCode>(value));
    if (!record) continue;
    ++records;
    const int32_t p = record[0] > 1 ? record[0] - 1 : 0;
    const uint16_t* successors = record + record[0];  // the successor list follows p words in
    const int32_t s = successors[0] > 1 ? successors[0] - 1 : 0;
    preds += p;
    succs += s;
    longestPred = std::max(longestPred, p);
    longestSucc = std::max(longestSucc, s);
  }
  std::printf(
      "word pairs: %d characters, %lld predecessors (longest list %d), %lld successors (longest list %d)\n",
      records, static_cast<long long>(preds), longestPred, static_cast<long long>(succs), longestSucc);
}

int Stats(Arguments& args) {
  if (!args.OnlyKnown({"--library", "--word-pairs"})) return UsageError(args.Error());
  if (!args.Has("--library") && !args.Has("--word-pairs"))
    return UsageError("stats needs --library or --word-pairs");
  if (args.Has("--library")) {
    library::SetProgramFolder(args.Get("--library"));
    if (!library::LoadLibrary(nullptr))
      return InputError("cannot read a library in " + args.Get("--library"));
    PrintLibraryStats();
    library::SaveLibrary(false);
  }
  if (args.Has("--word-pairs")) {
    if (!library::LoadWordPairsFrom(args.Get("--word-pairs")))
      return InputError("cannot read " + args.Get("--word-pairs"));
    PrintWordPairStats();
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("no command");
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    std::cout << kUsage;
    return kExitOk;
  }
  if (command == "--version") {
    std::cout << "pellarocr-train " << PELLAR_VERSION << "\n";
    return kExitOk;
  }
  const std::map<std::string, std::function<int(Arguments&)>> commands = {
      {"render", Render}, {"learn", Learn}, {"wordpairs", WordPairs}, {"stats", Stats}};
  const auto it = commands.find(command);
  if (it == commands.end()) return UsageError("unknown command " + command);
  Arguments args(argc, argv, 2, {"--grid", "--no-wide-alnum", "--hanzi-only", "--as-scanned", "--help"});
  if (args.Has("--help")) {
    std::cout << kUsage;
    return kExitOk;
  }
  if (!args.Error().empty()) return UsageError(args.Error());
  return it->second(args);
}
