// Ground-truth files beside a page image: ".RED" (a header −1 and 23-byte
// records) is written from the blocks of the last run and read back to teach
// the library; the older ".REC" (18-byte records, no header, no cut sides) is
// read as well and converted to ".RED" on the way.
//
// A record holds the character's two GBK bytes and its box in the order
// left, top, right, bottom, little-endian. Files are written to a temporary
// file beside the target and renamed over it when complete.
#include "engine/ResultFiles.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/CellFeatures.h"
#include "engine/EngineState.h"
#include "library/Learning.h"
#include "platform/UiHooks.h"

namespace engine {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kHeader = -1;
constexpr size_t kHeaderBytes = 4;
constexpr size_t kRedRecordBytes = 23;
constexpr size_t kRecRecordBytes = 18;
constexpr size_t kCutSidesAt = 18;
constexpr uint8_t kFullWidthLead = 0xA3;  // trail = ASCII + 0x80
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr uint8_t kAsciiFirst = 0x21;
constexpr uint8_t kAsciiLast = 0x7E;
constexpr const char* kRedMessage = ".RED文件有错误！";
constexpr const char* kRecMessage = ".REC文件有错误！";
constexpr const char* kWriteMessage = "写.RED文件出错！";

// The blocks taught from files are referenced by the character maps only;
// they are kept here for the rest of the program run.
std::vector<std::unique_ptr<CharBlock>>& TaughtBlocks() {
  static std::vector<std::unique_ptr<CharBlock>> blocks;
  return blocks;
}

void PutLe32(uint8_t* p, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
int32_t GetLe32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// A single printable ASCII character is stored in its full-width form.
CharCode StoredCode(CharCode code) {
  const uint8_t lead = LeadByte(code);
  if (TrailByte(code) == 0 && lead >= kAsciiFirst && lead <= kAsciiLast) {
    return MakeCode(kFullWidthLead, static_cast<uint8_t>(lead + kFullWidthOffset));
  }
  return code;
}

// A ".RED" record; `box` in the file's order left, top, right, bottom.
void PutRecord(uint8_t* record, CharCode code, const int32_t (&box)[4], uint8_t cutSides) {
  record[0] = LeadByte(code);
  record[1] = TrailByte(code);
  for (int i = 0; i < 4; ++i) PutLe32(record + 2 + 4 * i, box[i]);
  record[kCutSidesAt] = cutSides;
  PutLe32(record + kCutSidesAt + 1, 0);
}

// A file written beside its target and renamed over it by Commit.
class ReplacingFile {
 public:
  explicit ReplacingFile(fs::path target)
      : target_(std::move(target)),
        temporary_(target_.string() + ".tmp"),
        file_(std::fopen(temporary_.c_str(), "wb")) {}
  ~ReplacingFile() {
    if (file_) std::fclose(file_);
    std::error_code error;
    if (!committed_) fs::remove(temporary_, error);
  }
  bool Write(const uint8_t* data, size_t size) { return file_ && std::fwrite(data, 1, size, file_) == size; }
  bool Commit() {
    if (!file_) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    std::error_code error;
    if (closed) fs::rename(temporary_, target_, error);
    committed_ = closed && !error;
    return committed_;
  }

 private:
  fs::path target_;
  fs::path temporary_;
  std::FILE* file_;
  bool committed_ = false;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

bool WriteHeader(ReplacingFile& file) {
  uint8_t header[kHeaderBytes];
  PutLe32(header, kHeader);
  return file.Write(header, sizeof header);
}

// Builds the block of a record, measures its cell and teaches it.
void TeachRecord(const uint8_t* record, std::string& text) {
  auto owned = std::make_unique<CharBlock>();
  CharBlock& block = *owned;
  TaughtBlocks().push_back(std::move(owned));
  block.Left = GetLe32(record + 2);
  block.Top = GetLe32(record + 6);
  block.Right = GetLe32(record + 10);
  block.Bottom = GetLe32(record + 14);
  block.CutSides = record[kCutSidesAt];
  block.SubBlockCount = 0;
  block.PartCount = 0;
  NormaliseCell(block);
  ComputeFeatures();
  PackFeatures(block);
  const uint8_t lead = record[0];
  const uint8_t trail = record[1];
  block.Codes[0] = MakeCode(lead, trail);
  block.Codes[1] = 0;
  block.Scores[0] = CertainScore;
  if (lead != 0) text += static_cast<char>(lead);
  if (trail != 0) text += static_cast<char>(trail);
  if (Job.CharMap) {
    Job.CharMap->push_back(&block);
    if (lead < 0x80 && trail != 0) Job.CharMap->push_back(&block);
  }
  library::LearnFromFileCharacter(block);
}

}  // namespace

bool SaveGroundTruth(const std::string& fileName) {
  ReplacingFile file(fileName + ".RED");
  if (!WriteHeader(file)) return false;
  for (const BlockList* line : PageLines) {
    for (const CharBlock* block : *line) {
      const CharCode code = StoredCode(block->Codes[0]);
      if (LeadByte(code) == 0 || TrailByte(code) == 0) continue;
      uint8_t record[kRedRecordBytes];
      PutRecord(record, code, {block->Left, block->Top, block->Right, block->Bottom}, block->CutSides);
      if (!file.Write(record, sizeof record)) return false;
    }
  }
  return file.Commit();
}

void LearnFromGroundTruth() {
  const std::string redPath = Job.FileName + ".RED";
  const bool fromRed = fs::exists(redPath);
  InputFile input(std::fopen((fromRed ? redPath : Job.FileName + ".REC").c_str(), "rb"));
  std::unique_ptr<ReplacingFile> converted;
  if (fromRed) {
    uint8_t header[kHeaderBytes];
    if (!input || std::fread(header, 1, sizeof header, input.get()) != sizeof header ||
        GetLe32(header) != kHeader) {
      platform::ShowPlainMessage(kRedMessage);
      return;
    }
  } else {
    if (!input) {
      platform::ShowPlainMessage(kRecMessage);
      return;
    }
    converted = std::make_unique<ReplacingFile>(redPath);
    if (!WriteHeader(*converted)) {
      platform::ShowPlainMessage(kWriteMessage);
      return;
    }
  }
  LineBlocks = new BlockList;
  std::string text;
  const size_t recordBytes = fromRed ? kRedRecordBytes : kRecRecordBytes;
  for (;;) {
    uint8_t record[kRedRecordBytes] = {};
    const size_t got = std::fread(record, 1, recordBytes, input.get());
    if (got == 0) break;
    if (got < recordBytes) {
      platform::ShowPlainMessage(fromRed ? kRedMessage : kRecMessage);
      // The converted file keeps the complete records read so far.
      if (converted) converted->Commit();
      PageLines.push_back(LineBlocks);
      return;
    }
    if (converted) {
      uint8_t redRecord[kRedRecordBytes];
      PutRecord(redRecord, MakeCode(record[0], record[1]),
                {GetLe32(record + 2), GetLe32(record + 6), GetLe32(record + 10), GetLe32(record + 14)}, 0);
      if (!converted->Write(redRecord, sizeof redRecord)) {
        platform::ShowPlainMessage(kWriteMessage);
        PageLines.push_back(LineBlocks);
        return;
      }
    }
    TeachRecord(record, text);
  }
  if (converted && !converted->Commit()) platform::ShowPlainMessage(kWriteMessage);
  PageLines.push_back(LineBlocks);
  if (Job.RichEdit) Job.RichEdit->SetText(text);
}

}  // namespace engine
