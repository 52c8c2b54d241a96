// The multi-format picture reader behind the open command: it chooses the
// decoder by the file's extension and yields a Bitmap of the picture's pixel
// size (vector pictures are rendered at 300 dots per inch).
//
//   .pcx .pcc                      PCX               .png                PNG
//   .tif .tiff                     our TIFF reader   .fax                FAX (raw group 3)
//   .tga .icb .vda .vst .win       Targa             .gif                GIF
//   .psd .pdd                      our PSD reader    .bw .rgb .rgba .sgi SGI
//   .rla .rpf                      RLA               .pcd                Photo CD
//   .cut                           Dr. Halo          .pbm .pgm .ppm .pnm portable anymap
//   .bmp .dib .rle                 our BMP reader    .ico                icon
//   .jpg .jpeg                     libjpeg           .emf                EMF → SVG → bitmap
//   .wmf                           WMF               .pdf                PDF (Poppler)
//
// Any other extension, and .psp, .pic, .cel and .scr, whose formats no
// decoder here reads, is refused. TIFF and PDF files may hold several pages;
// every other picture is one page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace formats {

// True when some decoder reads files with `extension` (lower case, dot
// included).
bool HasDecoder(const std::string& extension);

// The number of pages of a picture held in memory, read as a file with
// `extension`: the pages of a TIFF or PDF file, 1 for any other format the
// reader knows (whether or not the data really is of that format), 0 (with
// `error` for TIFF and PDF) when there is no such decoder or the data cannot
// be opened as a TIFF or PDF file.
int PicturePageCount(const uint8_t* data, size_t size, const std::string& extension,
                     std::string* error = nullptr);

// Decodes a picture held in memory as if it were a file with `extension`
// (lower case, dot included): its first page, PDF pages at kPdfDotsPerInch.
bool DecodePicture(const uint8_t* data, size_t size, const std::string& extension, platform::Bitmap& out,
                   std::string* error = nullptr);
// Page `index` (0 for the first), PDF pages rendered at `dotsPerInch`.
bool DecodePicturePage(const uint8_t* data, size_t size, const std::string& extension, int index,
                       int dotsPerInch, platform::Bitmap& out, std::string* error = nullptr);

// Reads the file `path`, choosing the decoder by its extension.
bool ReadPictureFile(const std::string& path, platform::Bitmap& out, std::string* error = nullptr);

// Renders an enhanced metafile at 300 dots per inch (through SVG).
bool DecodeEmf(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr);

}  // namespace formats
