// File helpers shared by the page-image readers and writers: reading a whole
// file into memory with a size cap, and replacing a file through a temporary
// file beside it, so that a failed write never destroys the old picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace formats {

// The largest picture file read into memory.
constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;

// Reads `path` into `data`; false (with `error`) when it cannot be opened,
// read, or is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string* error,
                   size_t maxBytes = kMaxPictureFileBytes);

// Runs `write` on a fresh temporary name beside `path`; when it succeeds the
// temporary file is renamed over `path`, otherwise it is removed. True when
// `path` now holds the new file.
bool ReplaceFile(const std::string& path, const std::function<bool(const std::string& temporary)>& write);

// The extension of `name` from its last dot (dot included) in lower case;
// empty when the last path component has no dot.
std::string LowerExtension(const std::string& name);

}  // namespace formats
