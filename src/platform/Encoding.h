// Conversion between GBK (code page 936), the engine's encoding, and UTF-8,
// the encoding of the user interface, the command line and file names; and
// UTF-8 itself, checked strictly (no overlong forms, no surrogates, nothing
// beyond U+10FFFF).
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Characters that cannot be converted become '?'.
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);
// Strict forms: false when some character cannot be converted.
bool GbkToUtf8(const std::string& gbk, std::string& out);
bool Utf8ToGbk(const std::string& utf8, std::string& out);

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the valid UTF-8 sequence starting at text[i], or 0 when none
// starts there.
size_t Utf8SequenceLength(const std::string& text, size_t i);
bool IsValidUtf8(const std::string& text);
// The code points of UTF-8 text; a byte that starts no valid sequence
// becomes U+FFFD.
std::u32string DecodeUtf8(const std::string& utf8);
std::string EncodeUtf8(char32_t codePoint);
std::string EncodeUtf8(const std::u32string& text);

}  // namespace platform
