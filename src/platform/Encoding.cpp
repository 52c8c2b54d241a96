// GBK ↔ UTF-8 through iconv (CP936 is glibc's name for GBK).
#include "platform/Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace platform {

namespace {
// Converts with iconv; on an unconvertible or incomplete sequence either
// fails (strict) or writes '?' and skips one input byte.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out, bool strict) {
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
    ++src;
    --srcLeft;
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
bool GbkToUtf8(const std::string& gbk, std::string& out) { return Convert("UTF-8", "CP936", gbk, out, true); }
bool Utf8ToGbk(const std::string& utf8, std::string& out) { return Convert("CP936", "UTF-8", utf8, out, true); }

}  // namespace platform
