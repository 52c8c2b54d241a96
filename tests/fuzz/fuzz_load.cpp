// Fuzzes the whole image loader: the first byte picks the file's extension
// (and so the route and decoder), the rest is the file, written to a
// scratch folder and loaded with LoadImageFile.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "input/ImageLoading.h"

namespace {

// A private folder for the input file, removed when the fuzzer exits.
struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/pellar-fuzz-XXXXXX";
    if (mkdtemp(pattern)) Folder = pattern;
  }
  ~Scratch() {
    if (!Folder.empty()) rmdir(Folder.c_str());
  }
  std::string Folder;
};

const std::string& ScratchFolder() {
  static const Scratch scratch;
  return scratch.Folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || ScratchFolder().empty()) return 0;
  const std::string path =
      ScratchFolder() + "/input" + fuzzsupport::kLoadExtensions[data[0] % fuzzsupport::kLoadExtensionCount];
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  platform::Bitmap view;
  input::LoadImageFile(view, path);
  std::remove(path.c_str());
  return 0;
}
