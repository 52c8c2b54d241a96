// Ground-truth files beside a page image: ".RED" (a header −1 and 23-byte
// records) is written from the blocks of the last run and read back to teach
// the library; the older ".REC" (18-byte records, no header, no cut sides) is
// read as well and converted to ".RED" on the way.
//
// A record holds the character's two GBK bytes and its box in the order
// left, top, right, bottom, little-endian. Files are written to a temporary
// file beside the target and renamed over it when complete. A file is read
// whole (only a regular file, and no larger than any real one) and all its
// boxes are checked against the page before anything is learned from it.
#include "engine/ResultFiles.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "engine/CellFeatures.h"
#include "engine/EngineState.h"
#include "library/Learning.h"
#include "platform/ByteOrder.h"
#include "platform/FileIo.h"
#include "platform/UiHooks.h"

namespace engine {

namespace {

namespace fs = std::filesystem;

constexpr size_t kCutSidesAt = 18;
constexpr uint8_t kFullWidthLead = 0xA3;  // trail = ASCII + 0x80
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr uint8_t kAsciiFirst = 0x21;
constexpr uint8_t kAsciiLast = 0x7E;
constexpr const char* kRedMessage = ".RED文件有错误！";
constexpr const char* kRecMessage = ".REC文件有错误！";
constexpr const char* kWriteMessage = "写.RED文件出错！";

int32_t GetInt32(const uint8_t* p) {
  return static_cast<int32_t>(platform::GetLe32(p));
}
void PutInt32(uint8_t* p, int32_t value) {
  platform::PutLe32(p, static_cast<uint32_t>(value));
}

bool WriteHeader(platform::ReplacingFile& file) {
  uint8_t header[kRedHeaderBytes];
  PutInt32(header, kRedHeader);
  return file.Write(header, sizeof header);
}

// Builds the block of a record, measures its cell and teaches it.
void TeachRecord(const GroundTruthRecord& record, std::string& text) {
  auto owned = std::make_unique<CharBlock>();
  CharBlock& block = *owned;
  TaughtBlocks.push_back(std::move(owned));
  SetBox(block, record.Box);
  block.CutSides = record.CutSides;
  block.SubBlockCount = 0;
  block.PartCount = 0;
  NormaliseCell(block);
  ComputeFeatures();
  PackFeatures(block);
  const uint8_t lead = LeadByte(record.Code);
  const uint8_t trail = TrailByte(record.Code);
  block.Codes[0] = record.Code;
  block.Codes[1] = 0;
  block.Scores[0] = CertainScore;
  if (lead != 0) text += static_cast<char>(lead);
  if (trail != 0) text += static_cast<char>(trail);
  if (Job.CharMap) {
    Job.CharMap->push_back(&block);
    if (lead < 0x80 && trail != 0) Job.CharMap->push_back(&block);
  }
  library::LearnFromFileCharacter(block, Job.Bitmap);
}

}  // namespace

CharCode StoredCode(CharCode code) {
  const uint8_t lead = LeadByte(code);
  if (TrailByte(code) == 0 && lead >= kAsciiFirst && lead <= kAsciiLast) {
    return MakeCode(kFullWidthLead, static_cast<uint8_t>(lead + kFullWidthOffset));
  }
  return code;
}

void EncodeRedRecord(const GroundTruthRecord& record, uint8_t (&bytes)[kRedRecordBytes]) {
  bytes[0] = LeadByte(record.Code);
  bytes[1] = TrailByte(record.Code);
  // The file's box order is left, top, right, bottom.
  PutInt32(bytes + 2, record.Box.Left);
  PutInt32(bytes + 6, record.Box.Top);
  PutInt32(bytes + 10, record.Box.Right);
  PutInt32(bytes + 14, record.Box.Bottom);
  bytes[kCutSidesAt] = record.CutSides;
  PutInt32(bytes + kCutSidesAt + 1, 0);
}

GroundTruthRecord DecodeRecord(const uint8_t* bytes, bool withCutSides) {
  GroundTruthRecord record;
  record.Code = MakeCode(bytes[0], bytes[1]);
  record.Box = Box{GetInt32(bytes + 2), GetInt32(bytes + 10), GetInt32(bytes + 6), GetInt32(bytes + 14)};
  record.CutSides = withCutSides ? bytes[kCutSidesAt] : 0;
  return record;
}

bool WriteGroundTruthFile(const std::string& path, const std::vector<GroundTruthRecord>& records) {
  platform::ReplacingFile file(path);
  if (!WriteHeader(file)) return false;
  for (const GroundTruthRecord& record : records) {
    uint8_t bytes[kRedRecordBytes];
    EncodeRedRecord(record, bytes);
    if (!file.Write(bytes, sizeof bytes)) return false;
  }
  return file.Commit();
}

bool ReadGroundTruthFile(const std::string& path, std::vector<GroundTruthRecord>& records) {
  std::vector<uint8_t> data;
  if (!platform::ReadWholeFile(path, data, nullptr, platform::kMaxDataFileBytes)) return false;
  if (data.size() < kRedHeaderBytes || GetInt32(data.data()) != kRedHeader) return false;
  if ((data.size() - kRedHeaderBytes) % kRedRecordBytes != 0) return false;
  records.clear();
  for (size_t at = kRedHeaderBytes; at < data.size(); at += kRedRecordBytes)
    records.push_back(DecodeRecord(data.data() + at, true));
  return true;
}

bool SaveGroundTruth(const std::string& fileName) {
  std::vector<GroundTruthRecord> records;
  for (const BlockList* line : PageLines) {
    for (const CharBlock* block : *line) {
      const CharCode code = StoredCode(block->Codes[0]);
      if (LeadByte(code) == 0 || TrailByte(code) == 0) continue;
      records.push_back(GroundTruthRecord{code, BoxOf(*block), block->CutSides});
    }
  }
  return WriteGroundTruthFile(fileName + ".RED", records);
}

GroundTruthResult LearnFromGroundTruth() {
  TaughtRecords = 0;
  const std::string redPath = Job.FileName + ".RED";
  const bool fromRed = fs::exists(redPath);
  const char* const damaged = fromRed ? kRedMessage : kRecMessage;
  std::vector<uint8_t> data;
  const bool read = platform::ReadWholeFile(fromRed ? redPath : Job.FileName + ".REC", data, nullptr,
                                            platform::kMaxDataFileBytes);
  if (!read || (fromRed && (data.size() < kRedHeaderBytes || GetInt32(data.data()) != kRedHeader))) {
    platform::ShowPlainMessage(damaged);
    return GroundTruthResult::Unusable;
  }
  // Every complete record is checked before anything is learned: a box that
  // is empty or reaches off the page makes the whole file unusable.
  const size_t recordBytes = fromRed ? kRedRecordBytes : kRecRecordBytes;
  const size_t first = fromRed ? kRedHeaderBytes : 0;
  const size_t complete = (data.size() - first) / recordBytes;
  std::vector<GroundTruthRecord> records;
  for (size_t r = 0; r < complete; ++r) {
    records.push_back(DecodeRecord(data.data() + first + r * recordBytes, fromRed));
    if (!BoxOnPage(records.back().Box)) {
      platform::ShowPlainMessage(damaged);
      return GroundTruthResult::Unusable;
    }
  }
  std::optional<platform::ReplacingFile> converted;
  if (!fromRed) {
    converted.emplace(redPath);
    if (!WriteHeader(*converted)) {
      platform::ShowPlainMessage(kWriteMessage);
      return GroundTruthResult::Unsaved;
    }
  }
  LineBlocks = new BlockList;
  std::string text;
  for (const GroundTruthRecord& record : records) {
    if (converted) {
      uint8_t redRecord[kRedRecordBytes];
      EncodeRedRecord(record, redRecord);
      if (!converted->Write(redRecord, sizeof redRecord)) {
        platform::ShowPlainMessage(kWriteMessage);
        PageLines.push_back(LineBlocks);
        return GroundTruthResult::Unsaved;
      }
    }
    TeachRecord(record, text);
    ++TaughtRecords;
    if (library::ProgramEndRequested) break;
  }
  // A file that ends inside a record keeps what its complete records taught.
  if (first + complete * recordBytes != data.size() && !library::ProgramEndRequested) {
    platform::ShowPlainMessage(damaged);
    if (converted) converted->Commit();
    PageLines.push_back(LineBlocks);
    return GroundTruthResult::Unusable;
  }
  GroundTruthResult result = GroundTruthResult::Learned;
  if (converted && !converted->Commit()) {
    platform::ShowPlainMessage(kWriteMessage);
    result = GroundTruthResult::Unsaved;
  }
  PageLines.push_back(LineBlocks);
  if (Job.RichEdit) Job.RichEdit->SetText(text);
  return result;
}

}  // namespace engine
