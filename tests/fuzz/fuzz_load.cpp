// Fuzzes the whole image loader: the input is a file, named with the
// extension its contents call for (see LoadExtensionOf), written to the
// scratch folder and loaded with LoadImageFile.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "FuzzSupport.h"
#include "input/ImageLoading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path =
      fuzzsupport::WriteScratchFile("input" + fuzzsupport::LoadExtensionOf(data, size), data, size);
  if (path.empty()) return 0;
  platform::Bitmap view;
  input::LoadImageFile(view, path);
  std::remove(path.c_str());
  return 0;
}
