// Quiet TIFF opening (see TiffFiles.h).
#include "formats/TiffFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "formats/PictureLimits.h"
#include "platform/FileIo.h"

namespace formats {
namespace {

int Silent(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

// The options of every open: messages swallowed, single allocations capped.
struct QuietOptions {
  QuietOptions() : Options(TIFFOpenOptionsAlloc()) {
    if (!Options) return;
    TIFFOpenOptionsSetMaxSingleMemAlloc(Options, static_cast<tmsize_t>(kMaxDecodedBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(Options, Silent, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(Options, Silent, nullptr);
  }
  ~QuietOptions() {
    if (Options) TIFFOpenOptionsFree(Options);
  }
  TIFFOpenOptions* Options;
};

using Source = MemoryTiff::Source;

tmsize_t ReadMemory(thandle_t handle, void* buffer, tmsize_t size) {
  auto* source = static_cast<Source*>(handle);
  if (size <= 0 || source->At >= source->Size) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), source->Size - source->At);
  std::memcpy(buffer, source->Data + source->At, n);
  source->At += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t WriteNothing(thandle_t, void*, tmsize_t) {
  return 0;
}
toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<Source*>(handle);
  const uint64_t base = whence == SEEK_CUR ? source->At : whence == SEEK_END ? source->Size : 0;
  source->At = base + offset;
  return source->At;
}
int CloseNothing(thandle_t) {
  return 0;
}
toff_t MemorySize(thandle_t handle) {
  return static_cast<Source*>(handle)->Size;
}
// The data is handed to libtiff as a mapped file, as a file on disk would be:
// libtiff reads some layouts more leniently from a mapping than by reads.
int MapMemory(thandle_t handle, void** base, toff_t* size) {
  auto* source = static_cast<Source*>(handle);
  *base = const_cast<uint8_t*>(source->Data);  // read-only: opened with "r"
  *size = source->Size;
  return 1;
}
void UnmapNothing(thandle_t, void*, toff_t) {}

}  // namespace

TiffFile OpenTiffQuietly(const char* name, const char* mode, std::string* why) {
  const QuietOptions options;
  if (!options.Options) return nullptr;
  if (mode[0] != 'r') return TiffFile(TIFFOpenExt(name, mode, options.Options));
  // A file to read must be a regular file: opened by name, a FIFO would wait
  // for a writer for ever.
  platform::FileRead failure = platform::FileRead::Failed;
  const int fd = platform::OpenRegularFile(name, &failure);
  if (fd < 0) {
    if (why) *why = platform::FileReadText(failure);
    return nullptr;
  }
  TiffFile tiff(TIFFFdOpenExt(fd, name, mode, options.Options));
  if (!tiff) {
    ::close(fd);
    if (why) *why = "not a TIFF file";
  }
  return tiff;
}

MemoryTiff::MemoryTiff(const uint8_t* data, size_t size) : source_{data, size, 0} {
  const QuietOptions options;
  if (!options.Options) return;
  tiff_.reset(TIFFClientOpenExt("memory", "r", &source_, ReadMemory, WriteNothing, SeekMemory, CloseNothing,
                                MemorySize, MapMemory, UnmapNothing, options.Options));
}

}  // namespace formats
