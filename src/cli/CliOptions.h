// The options of pellarocr-cli and their parsing from the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineRecords.h"

namespace cli {

enum class OutputFormat { Text, Json };
enum class TextEncoding { Utf8, Gbk };

struct CliOptions {
  std::vector<std::string> Images;
  OutputFormat Format = OutputFormat::Text;
  TextEncoding Encoding = TextEncoding::Utf8;
  std::string OutputDir;             // empty: standard output
  std::string LibraryDir;            // empty: the program's folder
  std::optional<int32_t> Threshold;  // none: from the page's histogram
  int32_t Rotation = 0;              // clockwise degrees: 0, 90, 180 or 270
  bool Deskew = false;
  std::optional<engine::Box> Region;
  bool LineCorrection = true;
  std::string SavePage;
  bool Learn = false;
  bool ForceLearn = false;  // answer to the forced-entry question
  bool ShowHelp = false;
  bool ShowVersion = false;
};

// Parses argv[1..]. Options take their value as the next argument or after
// '='; "--" ends the options. False with a message in `error` on bad usage.
bool ParseOptions(int argc, const char* const argv[], CliOptions& options, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace cli
