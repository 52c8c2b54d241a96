// Command-line parsing for pellarocr-cli: long options with their value as
// the next argument or after '=', a few short forms, and checks of every
// value, so that a bad call is refused before any file is touched.
#include "cli/CliOptions.h"

#include <charconv>

#include "platform/FileIo.h"

namespace cli {

namespace {

constexpr int32_t kMaxThreshold = 255;

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
  static const char* const kNames[] = {"--output", "--format", "--encoding",  "--library",    "--threshold",
                                       "--rotate", "--region", "--save-page", "--force-learn"};
  for (const char* known : kNames)
    if (name == known) return true;
  return false;
}

std::string LongName(const std::string& arg) {
  if (arg == "-o") return "--output";
  if (arg == "-f") return "--format";
  if (arg == "-h") return "--help";
  if (arg == "-V") return "--version";
  return arg;
}

bool ApplyValue(const std::string& name, const std::string& value, CliOptions& options, std::string& error) {
  auto bad = [&](const char* what) {
    error = "invalid value '" + value + "' for " + name + ": " + what;
    return false;
  };
  if (name == "--output") {
    if (value.empty()) return bad("a folder is needed");
    options.OutputDir = value;
  } else if (name == "--format") {
    if (value == "text")
      options.Format = OutputFormat::Text;
    else if (value == "json")
      options.Format = OutputFormat::Json;
    else
      return bad("use text or json");
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
  } else if (name == "--force-learn") {
    if (value != "yes" && value != "no") return bad("use yes or no");
    options.ForceLearn = value == "yes";
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
  else if (name == "--no-correction")
    options.LineCorrection = false;
  else if (name == "--learn")
    options.Learn = true;
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
  if (!options.SavePage.empty() && options.Images.size() > 1) {
    error = "--save-page takes a single image";
    return false;
  }
  return true;
}

std::string UsageText() {
  return "Usage: pellarocr-cli [options] IMAGE...\n"
         "Recognises printed Chinese text on page images and prints it.\n"
         "\n"
         "Output:\n"
         "  -f, --format text|json    plain text (default) or one JSON object per image and line\n"
         "      --encoding utf8|gbk   encoding of the text output (default utf8)\n"
         "  -o, --output DIR          write DIR/<name>.txt or DIR/<name>.json instead of standard output\n"
         "Page preparation (for pages that are not black and white yet, and crooked pages):\n"
         "      --threshold N         grey level 0..255 below which a pixel is ink\n"
         "                            (default: chosen from the page's histogram)\n"
         "      --rotate 90|180|270   turn the page clockwise first\n"
         "      --no-deskew           leave a skewed page as it is; by default a page whose lines\n"
         "                            slope by 1 to 8 degrees is straightened (when learning, only\n"
         "                            with --deskew)\n"
         "      --save-page FILE      also save the prepared page (.tif, .bmp or .jpg); one image only\n"
         "Recognition:\n"
         "      --region L,T,R,B      recognise only this rectangle (inclusive pixels)\n"
         "      --no-correction       switch off the line correction (splits, merges, context)\n"
         "      --library DIR         folder of ZEZID.D00...ZEZID.D31 and Word.Dat\n"
         "                            (default: the program's folder)\n"
         "Learning:\n"
         "      --learn               teach the library from IMAGE.RED or IMAGE.REC beside each image\n"
         "                            and save the library at the end\n"
         "      --force-learn yes|no  add characters that are not learnable by default (default no)\n"
         "\n"
         "  -h, --help                show this help\n"
         "  -V, --version             show the version\n"
         "\n"
         "Exit status: 0 success, 1 bad usage or environment, 2 an image could not be read\n"
         "(the other images are still processed).\n";
}

}  // namespace cli
