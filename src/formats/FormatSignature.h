// Recognising a picture format by the first bytes of its data, for files
// whose name does not say what they hold (a PNG saved as ".jpg", a page
// piped in on standard input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace formats {

// The extension of the multi-format reader's route for the format whose
// signature opens `data` (".png", ".jpg", ".tif", ".bmp", ".gif", ".pdf",
// ".psd", ".pnm", ".emf", ".wmf", ".sgi", ".pcx"), or empty when no known
// signature matches. Formats without a signature (Targa, RLA ...) are never
// named.
std::string FormatBySignature(const uint8_t* data, size_t size);

}  // namespace formats
