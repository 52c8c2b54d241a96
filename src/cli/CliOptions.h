// The options of pellarocr-cli and their parsing from the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/OutputFormats.h"
#include "app/PageOutput.h"
#include "app/PagePreparation.h"
#include "core/EngineRecords.h"
#include "formats/PdfReader.h"

namespace cli {

struct CliOptions {
  std::vector<std::string> Images;
  std::vector<app::OutputFormat> Formats = {app::OutputFormat::Text};
  app::TextEncoding Encoding = app::TextEncoding::Utf8;
  bool JsonFeatures = false;
  int32_t Jobs = 0;        // worker processes; 0: one per core
  std::string OutputDir;   // empty: standard output
  std::string LibraryDir;  // empty: the program's folder
  app::Preparation Prepare;
  std::optional<core::Box> Region;
  bool LineCorrection = true;
  std::string SavePage;
  int Dpi = formats::kPdfDotsPerInch;  // resolution of PDF pages
  bool DeskewChosen = false;           // --deskew or --no-deskew was given
  bool Learn = false;
  bool ForceLearn = false;             // answer to the forced-entry question
  std::optional<int32_t> LockTimeout;  // seconds to wait for another learning run; none: no limit
  bool ShowHelp = false;
  bool ShowVersion = false;
};

// Parses argv[1..]. Options take their value as the next argument or after
// '='; "--" ends the options. False with a message in `error` on bad usage.
bool ParseOptions(int argc, const char* const argv[], CliOptions& options, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace cli
