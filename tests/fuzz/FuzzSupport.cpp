// Shared pieces of the fuzz targets (see FuzzSupport.h). The quiet hooks are
// installed before the first input runs.
#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fuzzsupport {

namespace {

struct InstallQuietUi {
  InstallQuietUi() {
    static QuietUi ui;
    platform::SetUi(&ui);
  }
} installQuietUi;

struct Scratch {
  Scratch() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/pellar-fuzz-XXXXXX";
    if (mkdtemp(pattern.data())) Folder = pattern;
  }
  ~Scratch() {
    std::error_code error;
    if (!Folder.empty()) std::filesystem::remove_all(Folder, error);
  }
  std::string Folder;
};

bool StartsWith(const uint8_t* data, size_t size, const char* signature, size_t length, size_t at = 0) {
  return size >= at + length && std::memcmp(data + at, signature, length) == 0;
}

}  // namespace

const std::string& ScratchFolder() {
  static const Scratch scratch;
  return scratch.Folder;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  if (ScratchFolder().empty()) return {};
  const std::string path = ScratchFolder() + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return {};
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written ? path : std::string();
}

std::string LoadExtensionOf(const uint8_t* data, size_t size) {
  if (size == 0) return kUnsignedExtensions[0];
  const bool second = (data[size - 1] & 1) != 0;
  if (StartsWith(data, size, "II*\0", 4) || StartsWith(data, size, "MM\0*", 4))
    return second ? ".tiff" : ".tif";
  if (StartsWith(data, size, "\xFF\xD8\xFF", 3)) return second ? ".jpeg" : ".jpg";
  if (StartsWith(data, size, "\x89PNG", 4)) return ".png";
  if (StartsWith(data, size, "BM", 2)) return ".bmp";
  if (StartsWith(data, size, "8BPS", 4)) return ".psd";
  if (StartsWith(data, size, "GIF8", 4)) return ".gif";
  if (StartsWith(data, size, "%PDF", 4)) return ".pdf";
  if (StartsWith(data, size, "\x01\0\0\0", 4) && StartsWith(data, size, " EMF", 4, 40)) return ".emf";
  if (StartsWith(data, size, "\xD7\xCD\xC6\x9A", 4) || StartsWith(data, size, "\x01\0\x09\0", 4) ||
      StartsWith(data, size, "\x02\0\x09\0", 4)) {
    return ".wmf";
  }
  if (size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6') return ".ppm";
  if (StartsWith(data, size, "\x01\xDA", 2)) return ".sgi";
  if (StartsWith(data, size, "\0\0\x01\0", 4)) return ".ico";
  if (size >= 2 && data[0] == 0x0A && data[1] <= 5) return ".pcx";
  return kUnsignedExtensions[data[size - 1] % kUnsignedExtensionCount];
}

}  // namespace fuzzsupport
