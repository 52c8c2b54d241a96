// The page image files named on the command line: files, standard input,
// folders and lists of files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/PageFile.h"

namespace cli {

// The name under which standard input is given, as an image and as a list.
inline constexpr const char* kStandardInput = "-";
inline constexpr const char* kListPrefix = "@";

struct InputFile {
  std::string Path;      // as given or found; kStandardInput for standard input
  std::string Problem;   // why the argument that named it could not be expanded or read
  bool StandardInput = false;
  std::vector<uint8_t> Data;  // standard input's bytes, once taken
};

// The files the arguments name, in order: "-" is standard input; a folder
// stands for the page images in it (files whose extension a reader knows,
// hidden files left out) in name order, numbers within names by value
// ("page2" before "page10"); "@LIST" for the files and folders named in the
// file LIST, one a line, empty lines skipped ("@-": the list comes from
// standard input). A list or folder that cannot be read, or holds no page
// image, gives an entry with its Problem.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments);

// Reads standard input to its end into the input that names it, if any.
// Standard input can be read only once, by one process: this process reads
// it before it starts the workers, which get the bytes with its memory. A
// read that fails, or finds nothing, gives the input its Problem.
void TakeStandardInput(std::vector<InputFile>& inputs);

// Opens the input's bytes (the file, or standard input's bytes taken) as a
// page file. False with the reason in English.
bool OpenInput(const InputFile& input, input::PageFile& file, int dotsPerInch, std::string& reason);

// The name an input's output files take their stem from: its path, or
// "stdin" for standard input.
std::string OutputName(const InputFile& input);

// How messages name page `number` (from 1) of an input of `count` pages: the
// input alone when it has one page (or none could be read), else
// "INPUT page N".
std::string PageName(const std::string& input, int32_t number, int32_t count);

// The file page `index` (0 for the first) of an input is saved to by
// --save-page FILE: FILE itself for the first page, FILE's name with "-2",
// "-3" ... before its extension for the others.
std::string PagePath(const std::string& path, int index);

// Whether `a` comes before `b` in name order, numbers compared by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace cli
