// GBK ↔ UTF-8 through iconv (CP936 is glibc's name for GBK).
#include "platform/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>

namespace platform {

namespace {
// Converts with iconv; on an unconvertible or incomplete sequence either
// fails (strict) or writes '?' and skips the character: one byte of GBK,
// the whole sequence of UTF-8 (one byte when it is not a valid sequence).
bool Convert(const char* to, const char* from, const std::string& in, std::string& out, bool strict) {
  const bool fromUtf8 = std::string_view(from) == "UTF-8";
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  std::string buffer(in.size() * 4 + 16, '\0');
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), buffer.size() - dstLeft);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    ok = false;
    if (strict) break;
    out.push_back('?');
    const size_t at = static_cast<size_t>(src - in.data());
    const size_t skip = fromUtf8 ? std::max<size_t>(1, Utf8SequenceLength(in, at)) : 1;
    src += skip;
    srcLeft -= skip;
  }
  iconv_close(cd);
  return ok;
}
}  // namespace

std::string GbkToUtf8(const std::string& gbk) {
  std::string out;
  Convert("UTF-8", "CP936", gbk, out, false);
  return out;
}
std::string Utf8ToGbk(const std::string& utf8) {
  std::string out;
  Convert("CP936", "UTF-8", utf8, out, false);
  return out;
}
bool GbkToUtf8(const std::string& gbk, std::string& out) {
  return Convert("UTF-8", "CP936", gbk, out, true);
}
bool Utf8ToGbk(const std::string& utf8, std::string& out) {
  return Convert("CP936", "UTF-8", utf8, out, true);
}

size_t Utf8SequenceLength(const std::string& text, size_t i) {
  const auto lead = static_cast<uint8_t>(text[i]);
  size_t length = 0;
  char32_t minimum = 0;
  char32_t cp = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<uint8_t>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  return cp < minimum || cp > 0x10FFFF || surrogate ? 0 : length;
}

bool IsValidUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::u32string DecodeUtf8(const std::string& utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = Utf8SequenceLength(utf8, i);
    if (length == 0) {
      out.push_back(kReplacementCharacter);
      ++i;
      continue;
    }
    const auto lead = static_cast<uint8_t>(utf8[i]);
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    out.push_back(cp);
    i += length;
  }
  return out;
}

std::string EncodeUtf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

std::string EncodeUtf8(const std::u32string& text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char32_t cp : text) out += EncodeUtf8(cp);
  return out;
}

}  // namespace platform
