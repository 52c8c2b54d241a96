// Ground-truth files beside a page: ".RED" (written and read) and the older
// ".REC" (read and converted to ".RED").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/EngineRecords.h"

namespace engine {

// A ".RED" file is a 4-byte header -1 and records of 23 bytes; a ".REC" file
// has no header and records of 18 bytes (no cut sides, no reserved bytes).
constexpr int32_t kRedHeader = -1;
constexpr size_t kRedHeaderBytes = 4;
constexpr size_t kRedRecordBytes = 23;
constexpr size_t kRecRecordBytes = 18;

// One record: a character (two GBK bytes) and its box on the page.
struct GroundTruthRecord {
  core::CharCode Code = 0;
  core::Box Box;
  uint8_t CutSides = 0;
};

// The code a ".RED" file stores for a character: a single printable ASCII
// character in its full-width form, every other code as it is.
core::CharCode StoredCode(core::CharCode code);
// The bytes of one ".RED" record (the code stored as it is given).
void EncodeRedRecord(const GroundTruthRecord& record, uint8_t (&bytes)[kRedRecordBytes]);
// A record from the bytes of a ".RED" or (cut sides 0) ".REC" record.
GroundTruthRecord DecodeRecord(const uint8_t* bytes, bool withCutSides);

// Writes the records as a ".RED" file at `path`, each code through
// StoredCode, skipping codes that still have a zero byte; the old file is
// replaced only when the new one is complete.
bool WriteGroundTruthFile(const std::string& path, const std::vector<GroundTruthRecord>& records);
// Reads a whole ".RED" file; false when it cannot be read, lacks the header
// or ends inside a record.
bool ReadGroundTruthFile(const std::string& path, std::vector<GroundTruthRecord>& records);

// Writes PageLines as `fileName` + ".RED". False when the file could not be
// written completely.
bool SaveGroundTruth(const std::string& fileName);

// How teaching from a ground-truth file ended; the failures have shown their
// message.
enum class GroundTruthResult {
  Learned,   // every record was taught
  Unusable,  // the file is damaged, holds a box off the page or ends inside a record
             // (".RED/.REC文件有错误！")
  Unsaved,   // the ".RED" converted from a ".REC" could not be written
};
// Teaches the library from Job.FileName + ".RED" (or ".REC"), counting the
// records taught in TaughtRecords. A file with a record whose box is empty or
// not inside the page teaches nothing; one that ends inside a record teaches
// the records before. Stops early when the supervisor asked to end the
// program during learning.
GroundTruthResult LearnFromGroundTruth();

}  // namespace engine
