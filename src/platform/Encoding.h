// Conversion between GBK (code page 936), the engine's encoding, and UTF-8,
// the encoding of the user interface, the command line and file names.
#pragma once

#include <string>

namespace platform {

// Characters that cannot be converted become '?'.
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);
// Strict forms: false when some character cannot be converted.
bool GbkToUtf8(const std::string& gbk, std::string& out);
bool Utf8ToGbk(const std::string& utf8, std::string& out);

}  // namespace platform
