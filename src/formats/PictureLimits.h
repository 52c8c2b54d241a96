// The size caps of every picture reader. A file states its picture's size in
// a few bytes, and a compressed file can describe a page of gigabytes in a
// few kilobytes, so each reader checks the stated size against these caps
// before it decodes or allocates anything, and refuses the file with the
// reason otherwise.
#pragma once

#include <cstdint>
#include <string>

namespace formats {

// No side longer than this and no more pixels than this.
constexpr int64_t kMaxSide = 30000;
constexpr int64_t kMaxPagePixels = int64_t{256} << 20;
// The memory one page may take while it is read and prepared: the decoded
// picture, what the decoder keeps besides it, the grey page made from a
// colour one, and the black-and-white page with the recognition's two copies.
constexpr int64_t kPageMemoryBudget = int64_t{512} << 20;
// The largest single block a decoder library may allocate (strips, tiles).
constexpr int64_t kMaxDecodedBytes = int64_t{256} << 20;

// True when a picture of this size and depth may be decoded; otherwise false
// with the reason in `why`. `decoderBytesPerPixel` is what the decoder keeps
// per pixel besides the decoded picture (0 for our own readers).
bool PictureSizeAllowed(int64_t width, int64_t height, int64_t bitCount, std::string* why = nullptr,
                        int64_t decoderBytesPerPixel = 0);

}  // namespace formats
