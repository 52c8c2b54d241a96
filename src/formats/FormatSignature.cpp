// Format signatures (see FormatSignature.h). Strong signatures (several
// fixed bytes) are tried first; PCX, whose header has only a few fixed byte
// values, comes last.
#include "formats/FormatSignature.h"

#include <cstring>
#include <string_view>

namespace formats {
namespace {

struct Signature {
  size_t Offset;
  std::string_view Bytes;
  const char* Extension;
};

using namespace std::string_view_literals;

constexpr Signature kSignatures[] = {
    {0, "\x89PNG\r\n\x1a\n"sv, ".png"},
    {0, "\xff\xd8\xff"sv, ".jpg"},
    {0, "II*\0"sv, ".tif"},
    {0, "MM\0*"sv, ".tif"},
    {0, "II+\0"sv, ".tif"},  // BigTIFF
    {0, "MM\0+"sv, ".tif"},
    {0, "GIF87a"sv, ".gif"},
    {0, "GIF89a"sv, ".gif"},
    {0, "%PDF-"sv, ".pdf"},
    {0, "8BPS"sv, ".psd"},
    {0, "\xd7\xcd\xc6\x9a"sv, ".wmf"},  // placeable metafile key
    {40, " EMF"sv, ".emf"},
    {0, "\x01\xda"sv, ".sgi"},
    {0, "BM"sv, ".bmp"},
};

bool Matches(const uint8_t* data, size_t size, const Signature& signature) {
  return size >= signature.Offset + signature.Bytes.size() &&
         std::memcmp(data + signature.Offset, signature.Bytes.data(), signature.Bytes.size()) == 0;
}

// "P1" … "P6" followed by white space: the portable anymaps.
bool IsAnymap(const uint8_t* data, size_t size) {
  return size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' &&
         (data[2] == ' ' || data[2] == '\t' || data[2] == '\n' || data[2] == '\r');
}

// PCX: maker byte 10, a known version, run-length encoding, 1, 2, 4 or 8
// bits per plane.
bool IsPcx(const uint8_t* data, size_t size) {
  constexpr size_t kHeaderBytes = 128;
  if (size < kHeaderBytes || data[0] != 10 || data[2] != 1) return false;
  const uint8_t version = data[1], bits = data[3];
  return (version == 0 || version == 2 || version == 3 || version == 4 || version == 5) &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

}  // namespace

std::string FormatBySignature(const uint8_t* data, size_t size) {
  if (data == nullptr) return {};
  for (const Signature& signature : kSignatures) {
    if (Matches(data, size, signature)) return signature.Extension;
  }
  if (IsAnymap(data, size)) return ".pnm";
  if (IsPcx(data, size)) return ".pcx";
  return {};
}

}  // namespace formats
