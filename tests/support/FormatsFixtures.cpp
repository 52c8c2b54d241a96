// Fixtures for the picture readers and writers (see FormatsFixtures.h).
#include "support/FormatsFixtures.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace formatstest {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pellar-formats-XXXXXX").string();
  if (mkdtemp(pattern.data())) path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

platform::Bitmap PatternPicture(int32_t width, int32_t height, uint16_t bitCount) {
  platform::Bitmap picture(width, height, bitCount);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = picture.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      if (bitCount == 1) {
        if ((x + 2 * y) % 7 == 0 || y == x % height) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else if (bitCount == 8) {
        row[x] = static_cast<uint8_t>((x * 16 + y * 40) % 256);
      } else {
        row[3 * x] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
        row[3 * x + 1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
        row[3 * x + 2] = static_cast<uint8_t>((x + y) % 2 ? 200 : 30);
      }
    }
  }
  return picture;
}

bool GmConvert(const std::string& args) {
  const std::string command = "gm convert " + args + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

namespace {

std::string PythonBytes(const std::vector<uint8_t>& bytes) {
  std::string text = "bytes([";
  for (const uint8_t b : bytes) text += std::to_string(b) + ",";
  return text + "])";
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, int depth, int colourType,
              const std::vector<std::vector<uint8_t>>& rows, const std::vector<uint8_t>& palette) {
  std::string rowList = "[";
  for (const auto& row : rows) rowList += PythonBytes(row) + ",";
  rowList += "]";
  const std::string script =
      "import struct, zlib\n"
      "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))\n"
      "rows = " +
      rowList +
      "\n"
      "plte = " +
      PythonBytes(palette) +
      "\n"
      "out = b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', " +
      std::to_string(width) + ", " + std::to_string(height) + ", " + std::to_string(depth) + ", " +
      std::to_string(colourType) +
      ", 0, 0, 0))\n"
      "if plte: out += chunk(b'PLTE', plte)\n"
      "out += chunk(b'IDAT', zlib.compress(b''.join(b'\\0' + r for r in rows))) + chunk(b'IEND', b'')\n"
      "open('" +
      path + "', 'wb').write(out)\n";
  const std::string scriptPath = path + ".py";
  WriteBytes(scriptPath, std::vector<uint8_t>(script.begin(), script.end()));
  const bool ok = std::system(("python3 " + scriptPath).c_str()) == 0;
  std::remove(scriptPath.c_str());
  return ok;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace formatstest
