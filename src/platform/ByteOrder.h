// Little-endian integers in byte buffers, as the file formats of the program
// (bitmaps, ground-truth files, library tables) store them; and eight bytes
// of a monochrome page row as one word, its first pixel highest.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {

inline uint16_t GetLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t GetLe64(const uint8_t* p) {
  return uint64_t{GetLe32(p)} | (uint64_t{GetLe32(p + 4)} << 32);
}
inline uint64_t GetBe64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
// Turns 16-bit values copied as they lie in a file into the processor's order.
inline void LittleEndianToHost(uint16_t* values, size_t count) {
  if constexpr (std::endian::native == std::endian::big) {
    for (size_t i = 0; i < count; ++i) values[i] = static_cast<uint16_t>(values[i] >> 8 | values[i] << 8);
  }
}
inline void AppendLe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void AppendLe32(std::vector<uint8_t>& out, uint32_t v) {
  AppendLe16(out, static_cast<uint16_t>(v));
  AppendLe16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace platform
