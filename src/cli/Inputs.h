// The page image files named on the command line: files, standard input,
// folders and lists of files.
#pragma once

#include <string>
#include <vector>

#include "input/PageFile.h"

namespace cli {

// The name under which standard input is given, as an image and as a list.
inline constexpr const char* kStandardInput = "-";
inline constexpr const char* kListPrefix = "@";

struct InputFile {
  std::string Path;           // as given or found; kStandardInput for standard input
  std::string Problem;        // why the argument that named it could not be expanded
  bool StandardInput = false;
};

// The files the arguments name, in order: "-" is standard input; a folder
// stands for the page images in it (files whose extension a reader knows,
// hidden files left out) in name order, numbers within names by value
// ("page2" before "page10"); "@LIST" for the files and folders named in the
// file LIST, one a line, empty lines skipped ("@-": the list comes from
// standard input). A list or folder that cannot be read, or holds no page
// image, gives an entry with its Problem.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments);

// Reads the input's bytes (the file, or standard input to its end) and
// opens them as a page file. False with the reason in English.
bool OpenInput(const InputFile& input, input::PageFile& file, int dotsPerInch, std::string& reason);

// The file page `index` (0 for the first) of an input is saved to by
// --save-page FILE: FILE itself for the first page, FILE's name with "-2",
// "-3" ... before its extension for the others.
std::string PagePath(const std::string& path, int index);

// Whether `a` comes before `b` in name order, numbers compared by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace cli
