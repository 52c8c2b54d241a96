// Command-line parsing for pellarocr-cli: long options with their value as
// the next argument or after '=', a few short forms, and checks of every
// value, so that a bad call is refused before any file is touched.
#include "cli/CliOptions.h"

#include <algorithm>
#include <charconv>

#include "platform/FileIo.h"

namespace cli {

namespace {

constexpr int32_t kMaxThreshold = 255;
constexpr int32_t kMaxJobs = 256;

bool ParseInt(const std::string& text, int32_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

// "L,T,R,B" in the usual rectangle order, inclusive pixels.
bool ParseRegion(const std::string& text, core::Box& box) {
  int32_t values[4];
  size_t start = 0;
  for (int32_t i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? text.find(',', start) : text.size();
    if (comma == std::string::npos || !ParseInt(text.substr(start, comma - start), values[i])) return false;
    start = comma + 1;
  }
  box = core::Box{values[0], values[2], values[1], values[3]};
  return box.Left >= 0 && box.Top >= 0 && box.Left <= box.Right && box.Top <= box.Bottom;
}

// The page writers choose the format by the extension.
bool IsPageImageName(const std::string& name) {
  static const char* const kExtensions[] = {".tif", ".tiff", ".bmp", ".jpg", ".jpeg"};
  const std::string extension = platform::LowerExtension(name);
  for (const char* known : kExtensions)
    if (extension == known) return true;
  return false;
}

// The options that take a value.
bool TakesValue(const std::string& name) {
  static const char* const kNames[] = {"--output", "--format",      "--encoding", "--library",
                                       "--threshold", "--rotate",    "--region",   "--save-page",
                                       "--dpi",    "--force-learn", "--jobs",     "--lock-timeout"};
  for (const char* known : kNames)
    if (name == known) return true;
  return false;
}

std::string LongName(const std::string& arg) {
  if (arg == "-o") return "--output";
  if (arg == "-f") return "--format";
  if (arg == "-j") return "--jobs";
  if (arg == "-h") return "--help";
  if (arg == "-V") return "--version";
  return arg;
}

bool ApplyValue(const std::string& name, const std::string& value, CliOptions& options, std::string& error) {
  auto bad = [&](const std::string& what) {
    error = "invalid value '" + value + "' for " + name + ": " + what;
    return false;
  };
  if (name == "--output") {
    if (value.empty()) return bad("a folder is needed");
    options.OutputDir = value;
  } else if (name == "--format") {
    std::string why;
    if (!app::ParseFormats(value, options.Formats, why))
      return bad(why + "; use txt, json, pdf, hocr, alto or tsv");
  } else if (name == "--jobs") {
    if (!ParseInt(value, options.Jobs) || options.Jobs < 1 || options.Jobs > kMaxJobs)
      return bad("use 1 to 256");
  } else if (name == "--encoding") {
    if (value == "utf8" || value == "utf-8")
      options.Encoding = app::TextEncoding::Utf8;
    else if (value == "gbk")
      options.Encoding = app::TextEncoding::Gbk;
    else
      return bad("use utf8 or gbk");
  } else if (name == "--library") {
    if (value.empty()) return bad("a folder is needed");
    options.LibraryDir = value;
  } else if (name == "--threshold") {
    int32_t threshold = 0;
    if (!ParseInt(value, threshold) || threshold < 0 || threshold > kMaxThreshold) return bad("use 0 to 255");
    options.Prepare.Threshold = threshold;
  } else if (name == "--rotate") {
    int32_t degrees = 0;
    if (!ParseInt(value, degrees) || (degrees != 90 && degrees != 180 && degrees != 270))
      return bad("use 90, 180 or 270");
    options.Prepare.Rotation = degrees;
  } else if (name == "--region") {
    core::Box box;
    if (!ParseRegion(value, box))
      return bad("use LEFT,TOP,RIGHT,BOTTOM with left <= right and top <= bottom");
    options.Region = box;
  } else if (name == "--save-page") {
    if (!IsPageImageName(value)) return bad("the name must end in .tif, .tiff, .bmp, .jpg or .jpeg");
    options.SavePage = value;
  } else if (name == "--dpi") {
    int32_t dpi = 0;
    if (!ParseInt(value, dpi) || dpi < formats::kMinPdfDotsPerInch || dpi > formats::kMaxPdfDotsPerInch)
      return bad("use 50 to 1200");
    options.Dpi = dpi;
  } else if (name == "--force-learn") {
    if (value != "yes" && value != "no") return bad("use yes or no");
    options.ForceLearn = value == "yes";
  } else if (name == "--lock-timeout") {
    int32_t seconds = 0;
    if (!ParseInt(value, seconds) || seconds < 0) return bad("use a number of seconds, 0 or more");
    options.LockTimeout = seconds;
  }
  return true;
}

bool ApplyFlag(const std::string& name, CliOptions& options) {
  if (name == "--help")
    options.ShowHelp = true;
  else if (name == "--version")
    options.ShowVersion = true;
  else if (name == "--deskew" || name == "--no-deskew") {
    options.Prepare.Deskew = name == "--deskew";
    options.DeskewChosen = true;
  }
  else if (name == "--no-auto-rotate")
    options.Prepare.AutoRotate = false;
  else if (name == "--no-correction")
    options.LineCorrection = false;
  else if (name == "--learn")
    options.Learn = true;
  else if (name == "--json-features")
    options.JsonFeatures = true;
  else
    return false;
  return true;
}

}  // namespace

bool ParseOptions(int argc, const char* const argv[], CliOptions& options, std::string& error) {
  options = CliOptions{};
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.Images.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = LongName(arg.substr(0, equals));
    if (TakesValue(name)) {
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        error = "option " + name + " needs a value";
        return false;
      }
      if (!ApplyValue(name, value, options, error)) return false;
      continue;
    }
    if (equals != std::string::npos && ApplyFlag(name, options)) {
      error = "option " + name + " takes no value";
      return false;
    }
    if (!ApplyFlag(name, options)) {
      error = "unknown option " + arg;
      return false;
    }
  }
  // Ground-truth files describe their pages as they are: learning turns a
  // page only when asked to.
  if (options.Learn && !options.DeskewChosen) options.Prepare.Deskew = false;
  if (options.ShowHelp || options.ShowVersion) return true;
  if (options.Images.empty()) {
    error = "no image given";
    return false;
  }
  if (options.Formats.size() > 1 && options.OutputDir.empty()) {
    error = "several formats need --output DIR (one file per format)";
    return false;
  }
  if (!options.SavePage.empty() && options.Images.size() > 1) {
    error = "--save-page takes a single image";
    return false;
  }
  if (std::count(options.Images.begin(), options.Images.end(), "-") +
          std::count(options.Images.begin(), options.Images.end(), "@-") > 1) {
    error = "standard input can be read only once ('-' or '@-')";
    return false;
  }
  // Ground truth describes the page as it lies: a page being learned is not turned.
  if (options.Learn) options.Prepare.AutoRotate = false;
  return true;
}

std::string UsageText() {
  return "Usage: pellarocr-cli [options] IMAGE...\n"
         "Recognises printed Chinese text on page images and prints it.\n"
         "IMAGE is a picture file (every page of a TIFF or PDF file is read), '-' for standard\n"
         "input, a folder (its pictures in name order) or @LIST (the files named in LIST, one a\n"
         "line; @- reads the list from standard input).\n"
         "\n"
         "Output:\n"
         "  -f, --format LIST         txt (default), json, pdf, hocr, alto, tsv; several with commas\n"
         "                            (as txt,pdf) need --output; text has a blank line between\n"
         "                            paragraphs and a form feed between pages\n"
         "      --encoding utf8|gbk   encoding of the text output (default utf8)\n"
         "      --json-features       put each character's 32 feature words into the JSON\n"
         "  -o, --output DIR          write DIR/<name>.txt, .json, .pdf, .hocr, .xml (ALTO), .tsv per file\n"
         "                            (all its pages; standard input: DIR/stdin.*) instead of one\n"
         "                            document of all pages on standard output\n"
         "Batches:\n"
         "  -j, --jobs N              recognise in N worker processes (default: one per core)\n"
         "Page preparation (for pages that are not black and white yet, and crooked pages):\n"
         "      --threshold N         grey level 0..255 below which a pixel is ink\n"
         "                            (default: a threshold that adapts to the page's light)\n"
         "      --rotate 90|180|270   turn the page clockwise first\n"
         "      --no-auto-rotate      do not turn pages found lying on their side or upside down\n"
         "      --dpi N               resolution PDF pages are drawn at (50..1200, default 300)\n"
         "      --no-deskew           leave a skewed page as it is; by default a page whose lines\n"
         "                            slope by 1 to 8 degrees is straightened (when learning, only\n"
         "                            with --deskew)\n"
         "      --save-page FILE      also save the prepared page (.tif, .bmp or .jpg; page 2 of a\n"
         "                            file to FILE-2.tif ...); one image only\n"
         "Recognition:\n"
         "      --region L,T,R,B      recognise only this rectangle (inclusive pixels; no column\n"
         "                            analysis)\n"
         "      --no-correction       switch off the line correction (splits, merges, context)\n"
         "      --library DIR         folder of ZEZID.D00...ZEZID.D31 and Word.Dat (default:\n"
         "                            $PELLAROCR_LIBRARY, else the program's folder, else the\n"
         "                            installed share/pellarocr)\n"
         "Learning:\n"
         "      --learn               teach the library from IMAGE.RED or IMAGE.REC beside each image\n"
         "                            and save the library at the end\n"
         "      --force-learn yes|no  add characters that are not learnable by default (default no)\n"
         "      --lock-timeout N      when another run is teaching the same library, wait at most\n"
         "                            N seconds for it (default: as long as it takes)\n"
         "\n"
         "  -h, --help                show this help\n"
         "  -V, --version             show the version\n"
         "\n"
         "Exit status: 0 success, 1 bad usage or environment (an output that cannot be written),\n"
         "2 an image or a page of it could not be read (the others are still processed), 3 an\n"
         "internal error.\n"
         "A run of several pages ends with a summary line on standard error: the pages of each status.\n";
}

}  // namespace cli
