// Command-line inputs (see Inputs.h).
#include "cli/Inputs.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "formats/PictureReader.h"
#include "platform/FileIo.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

InputFile Entry(const std::string& path, const std::string& problem = "", bool standardInput = false) {
  InputFile file;
  file.Path = path;
  file.Problem = problem;
  file.StandardInput = standardInput;
  return file;
}

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Reads standard input to its end, up to the size of the largest picture file.
bool ReadStandardInput(std::vector<uint8_t>& data, std::string& reason) {
  data.clear();
  uint8_t buffer[1 << 16];
  while (true) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
    data.insert(data.end(), buffer, buffer + n);
    if (data.size() > platform::kMaxPictureFileBytes) {
      reason = "standard input holds more than " + std::to_string(platform::kMaxPictureFileBytes >> 20) + " MB";
      return false;
    }
    if (n < sizeof buffer) break;
  }
  if (std::ferror(stdin)) {
    reason = std::string("cannot read standard input: ") + std::strerror(errno);
    return false;
  }
  return true;
}

// The page images of a folder in name order.
void ExpandFolder(const std::string& folder, std::vector<InputFile>& files) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    if (!formats::HasDecoder(platform::LowerExtension(name))) continue;
    std::error_code kind;
    if (it->is_regular_file(kind)) names.push_back(name);
  }
  if (ec) {
    files.push_back(Entry(folder, "cannot read the folder: " + ec.message()));
    return;
  }
  if (names.empty()) {
    files.push_back(Entry(folder, "the folder holds no page images"));
    return;
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  for (const std::string& name : names) files.push_back(Entry((fs::path(folder) / name).string()));
}

// A file or folder named in an argument or a list.
void ExpandPath(const std::string& path, std::vector<InputFile>& files) {
  std::error_code ec;
  if (fs::is_directory(path, ec))
    ExpandFolder(path, files);
  else
    files.push_back(Entry(path));
}

void ExpandList(const std::string& list, std::vector<InputFile>& files) {
  std::string text;
  if (list == kStandardInput) {
    std::vector<uint8_t> data;
    std::string reason;
    if (!ReadStandardInput(data, reason)) {
      files.push_back(Entry(std::string(kListPrefix) + list, reason));
      return;
    }
    text.assign(data.begin(), data.end());
  } else {
    std::vector<uint8_t> data;
    std::string reason;
    if (!platform::ReadWholeFile(list, data, &reason)) {
      files.push_back(Entry(std::string(kListPrefix) + list, "cannot read the list: " + reason));
      return;
    }
    text.assign(data.begin(), data.end());
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) ExpandPath(line, files);
    start = end + 1;
  }
}

}  // namespace

std::string PagePath(const std::string& path, int index) {
  if (index == 0) return path;
  const fs::path name(path);
  return (name.parent_path() / (name.stem().string() + "-" + std::to_string(index + 1) + name.extension().string()))
      .string();
}

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t ie = i, je = j;
      while (ie < a.size() && IsDigit(a[ie])) ++ie;
      while (je < b.size() && IsDigit(b[je])) ++je;
      // Compare by value: without leading zeros, the longer number is larger.
      size_t is = i, js = j;
      while (is + 1 < ie && a[is] == '0') ++is;
      while (js + 1 < je && b[js] == '0') ++js;
      if (ie - is != je - js) return ie - is < je - js;
      const int order = a.compare(is, ie - is, b, js, je - js);
      if (order != 0) return order < 0;
      if (ie - i != je - j) return ie - i < je - j;  // "7" before "07"
      i = ie;
      j = je;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments) {
  std::vector<InputFile> files;
  for (const std::string& argument : arguments) {
    if (argument == kStandardInput)
      files.push_back(Entry(argument, "", true));
    else if (argument.rfind(kListPrefix, 0) == 0)
      ExpandList(argument.substr(1), files);
    else
      ExpandPath(argument, files);
  }
  return files;
}

void TakeStandardInput(std::vector<InputFile>& inputs) {
  for (InputFile& input : inputs) {
    if (!input.StandardInput || !input.Problem.empty()) continue;
    if (!ReadStandardInput(input.Data, input.Problem))
      input.Data.clear();
    else if (input.Data.empty())
      input.Problem = "standard input is empty";
  }
}

bool OpenInput(const InputFile& input, input::PageFile& file, int dotsPerInch, std::string& reason) {
  if (!input.Problem.empty()) {
    reason = input.Problem;
    return false;
  }
  if (!input.StandardInput) return file.Open(input.Path, reason, dotsPerInch);
  return file.OpenData(input.Data, std::string(), reason, dotsPerInch);
}

std::string OutputName(const InputFile& input) {
  return input.StandardInput ? "stdin" : input.Path;
}

std::string PageName(const std::string& input, int32_t number, int32_t count) {
  return count > 1 ? input + " page " + std::to_string(number) : input;
}

}  // namespace cli
