// The library's files on disk as one set (see LibraryFiles.h).
//
// A save, with the folder locked:
//   1. every changed table is written to "ZEZID.Dnn.tmp<process>" and forced
//      to the disk;
//   2. the commit record "ZEZID.commit" (the table names, their temporary
//      names, sizes and checksums, and a checksum of the record itself) is
//      written under a temporary name, forced to the disk and renamed into
//      place: this rename is the moment the new library exists;
//   3. the temporary files are renamed over the tables, and the record is
//      removed.
// A load, with the folder locked (shared with other loads), first looks for a
// record: when there is one, a save was interrupted after step 2 and is
// finished (each temporary file still there is checked and renamed; a table
// already renamed must hold what the record says); then every temporary file
// of ours left in the folder belongs to a save interrupted before step 2 and
// is removed. Both happen under the exclusive lock, as saves do.
//
// What was read or written last (the file stamps and checksums of the
// tables) is remembered, so that a save can tell which tables changed and
// whether someone else changed the files meanwhile.
#include "library/LibraryFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/FileIo.h"
#include "platform/FileLock.h"

namespace library {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kTables = 32;
constexpr const char* kFileNameFormat = "ZEZID.D%.2d";
constexpr const char* kFirstTenPrefix = "ZEZID.D0";  // the files of tables 0 … 9
constexpr const char* kCommitRecordName = "ZEZID.commit";
constexpr const char* kLearnerLockName = "ZEZID.lock";
constexpr const char* kRecordHeader = "pellar library commit 1";
constexpr const char* kRecordEnd = "end";
constexpr const char* kTemporaryMark = ".tmp";
constexpr size_t kMaxRecordBytes = 16 * 1024;

// Size and checksum of a file's bytes.
struct Contents {
  uint64_t Size = 0;
  uint64_t Checksum = 0;
  bool operator==(const Contents&) const = default;
};

uint64_t Checksum(const void* data, size_t size) {
  constexpr uint64_t kFnvOffset = 14695981039346656037ULL;
  constexpr uint64_t kFnvPrime = 1099511628211ULL;
  uint64_t hash = kFnvOffset;
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * kFnvPrime;
  return hash;
}

Contents ContentsOf(const std::vector<uint8_t>& bytes) {
  return {bytes.size(), Checksum(bytes.data(), bytes.size())};
}

// Size and fingerprint of the bytes of a table as read or written, kept in
// memory only, to tell at a save whether a file still holds those bytes. The
// byte-wise checksum of the commit record costs some 20 ms on the 15 MB of a
// full library at every start; the fingerprint reads eight bytes at a time
// in four independent lanes and costs about one.
Contents FingerprintOf(const std::vector<uint8_t>& bytes) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  constexpr size_t kLanes = 4;
  constexpr size_t kWord = sizeof(uint64_t);
  uint64_t lanes[kLanes] = {1, 2, 3, 4};
  const size_t whole = bytes.size() / (kLanes * kWord) * (kLanes * kWord);
  for (size_t at = 0; at < whole; at += kLanes * kWord) {
    for (size_t lane = 0; lane < kLanes; ++lane) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + at + lane * kWord, kWord);
      lanes[lane] = (lanes[lane] ^ word) * kMultiplier;
      lanes[lane] ^= lanes[lane] >> 29;
    }
  }
  uint64_t hash = Checksum(bytes.data() + whole, bytes.size() - whole);
  for (const uint64_t lane : lanes) hash = (hash ^ lane) * kMultiplier;
  return {bytes.size(), hash};
}

std::string PathIn(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// The table files as last read or written (Tables: their fingerprints).
struct KnownFiles {
  std::string Folder;  // empty: none yet
  std::vector<platform::FileStamp> Stamps = std::vector<platform::FileStamp>(kTables);
  std::vector<std::optional<Contents>> Tables = std::vector<std::optional<Contents>>(kTables);
};

KnownFiles& Known() {
  static KnownFiles known;
  return known;
}

std::vector<platform::FileStamp> StampsIn(const std::string& folder) {
  std::vector<platform::FileStamp> stamps(kTables);
  for (int32_t t = 0; t < kTables; ++t) stamps[t] = platform::StampOf(PathIn(folder, TableFileName(t)));
  return stamps;
}

// A name this module gives its temporary files: a table's name or the
// record's, ".tmp" and a process number.
bool IsTemporaryName(const std::string& name) {
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos) return false;
  const std::string base = name.substr(0, mark);
  const std::string digits = name.substr(mark + std::strlen(kTemporaryMark));
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  if (base == kCommitRecordName) return true;
  for (int32_t t = 0; t < kTables; ++t)
    if (base == TableFileName(t)) return true;
  return false;
}

bool AnyFirstTenFile(const std::string& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(kFirstTenPrefix) && !IsTemporaryName(name) && !it->is_directory(error)) return true;
  }
  return false;
}

void RemoveTemporaryFiles(const std::string& folder) {
  std::error_code error;
  std::vector<std::string> stray;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsTemporaryName(it->path().filename().string())) stray.push_back(it->path().string());
  }
  for (const std::string& path : stray) ::unlink(path.c_str());
}

// --- the commit record ----------------------------------------------------

struct RecordEntry {
  int32_t Table = 0;
  std::string Temporary;  // file name in the folder
  Contents Expected;
};

std::string EntryLine(const RecordEntry& entry) {
  char line[128];
  std::snprintf(line, sizeof line, "%s %s %llu %016llx\n", TableFileName(entry.Table).c_str(),
                entry.Temporary.c_str(), static_cast<unsigned long long>(entry.Expected.Size),
                static_cast<unsigned long long>(entry.Expected.Checksum));
  return line;
}

std::string RecordText(const std::vector<RecordEntry>& entries) {
  std::string text = std::string(kRecordHeader) + "\n";
  for (const RecordEntry& entry : entries) text += EntryLine(entry);
  char end[64];
  std::snprintf(end, sizeof end, "%s %016llx\n", kRecordEnd,
                static_cast<unsigned long long>(Checksum(text.data(), text.size())));
  return text + end;
}

// The record must be whole (its own checksum) and name only tables of ours
// and temporary names of theirs: it decides which files are renamed.
bool ParseRecord(const std::string& text, std::vector<RecordEntry>& entries) {
  const size_t endAt = text.rfind(std::string("\n") + kRecordEnd + " ");
  if (endAt == std::string::npos || !text.starts_with(std::string(kRecordHeader) + "\n")) return false;
  const std::string body = text.substr(0, endAt + 1);
  unsigned long long stated = 0;
  char newline = 0;
  if (std::sscanf(text.c_str() + endAt + 1 + std::strlen(kRecordEnd), " %16llx%c", &stated, &newline) != 2 ||
      newline != '\n' || stated != Checksum(body.data(), body.size())) {
    return false;
  }
  std::istringstream lines(body.substr(std::strlen(kRecordHeader) + 1));
  std::string table, temporary;
  unsigned long long size = 0, checksum = 0;
  while (lines >> table >> temporary >> size >> std::hex >> checksum >> std::dec) {
    RecordEntry entry;
    entry.Table = -1;
    for (int32_t t = 0; t < kTables; ++t)
      if (table == TableFileName(t)) entry.Table = t;
    if (entry.Table < 0 || !temporary.starts_with(table + kTemporaryMark) || !IsTemporaryName(temporary))
      return false;
    entry.Temporary = temporary;
    entry.Expected = {size, checksum};
    entries.push_back(entry);
  }
  return lines.eof();
}

bool FileHolds(const std::string& path, const Contents& expected) {
  std::vector<uint8_t> bytes;
  return platform::ReadRegularFile(path, bytes, platform::kMaxDataFileBytes) == platform::FileRead::Read &&
         ContentsOf(bytes) == expected;
}

// Finishes a save whose commit record is in the folder, then removes the
// temporary files of saves that never got so far. The folder is locked.
bool FinishOrDiscardSave(const std::string& folder, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const std::string record = PathIn(folder, kCommitRecordName);
  if (platform::StampOf(record).Exists) {
    std::vector<uint8_t> bytes;
    std::vector<RecordEntry> entries;
    if (platform::ReadRegularFile(record, bytes, kMaxRecordBytes) != platform::FileRead::Read ||
        !ParseRecord(std::string(bytes.begin(), bytes.end()), entries)) {
      return fail(std::string("the record of an interrupted save is damaged: ") + record);
    }
    for (const RecordEntry& entry : entries) {
      const std::string temporary = PathIn(folder, entry.Temporary);
      const std::string table = PathIn(folder, TableFileName(entry.Table));
      if (platform::StampOf(temporary).Exists) {
        if (!FileHolds(temporary, entry.Expected))
          return fail("an interrupted save cannot be finished: " + temporary + " is damaged");
        if (::rename(temporary.c_str(), table.c_str()) != 0)
          return fail(SystemError("an interrupted save cannot be finished: cannot rename " + temporary));
      } else if (!FileHolds(table, entry.Expected)) {
        return fail("an interrupted save cannot be finished: " + table + " is not the file it wrote");
      }
    }
    platform::FlushFolder(folder);
    if (::unlink(record.c_str()) != 0) return fail(SystemError("cannot remove " + record));
    platform::FlushFolder(folder);
  }
  RemoveTemporaryFiles(folder);
  return true;
}

// A save was interrupted in the folder: its record or temporary files are there.
bool InterruptedSave(const std::string& folder) {
  if (platform::StampOf(PathIn(folder, kCommitRecordName)).Exists) return true;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsTemporaryName(it->path().filename().string())) return true;
  }
  return false;
}

// Locks the folder while the files are read (shared: loads run side by side)
// or switched (exclusive), and finishes or discards an interrupted save
// first, which takes the exclusive lock. A folder that cannot be locked at
// all (a file system without locks) is used as it is, but then nothing of
// another save is touched.
bool LockFolder(platform::FileLock& lock, const std::string& folder, platform::FileLock::Mode mode,
                std::string* error) {
  using platform::FileLock;
  if (lock.Lock(folder, mode, std::nullopt, nullptr) != FileLock::Result::Locked) {
    if (!platform::StampOf(PathIn(folder, kCommitRecordName)).Exists) return true;
    if (error) *error = "an interrupted save cannot be finished: the folder cannot be locked: " + folder;
    return false;
  }
  if (mode == FileLock::Mode::Shared) {
    if (!InterruptedSave(folder)) return true;
    lock.Lock(folder, FileLock::Mode::Exclusive, std::nullopt, nullptr);
  }
  return FinishOrDiscardSave(folder, error);
}

void RemoveFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) ::unlink(path.c_str());
}

platform::FileLock& LearnerLock() {
  static platform::FileLock lock;
  return lock;
}

}  // namespace

std::string TableFileName(int32_t table) {
  char name[24];
  std::snprintf(name, sizeof name, kFileNameFormat, table);
  return name;
}

FolderRead ReadLibraryFolder(const std::string& folder, const TableVisitor& visit, std::string* error) {
  platform::FileLock lock;
  if (!LockFolder(lock, folder, platform::FileLock::Mode::Shared, error)) return FolderRead::Failed;
  KnownFiles known;
  known.Folder = folder;
  known.Stamps = StampsIn(folder);
  if (!AnyFirstTenFile(folder)) {
    Known() = std::move(known);
    return FolderRead::NoLibraryFiles;
  }
  // One buffer, as large as the largest file, for all files unless the
  // visitor takes them: reading into memory already in use costs no page
  // faults, and a buffer that never moves leaves the allocator as it was.
  std::vector<uint8_t> bytes;
  uint64_t largest = 0;
  for (const platform::FileStamp& stamp : known.Stamps) largest = std::max(largest, stamp.Size);
  bytes.reserve(std::min<size_t>(largest, platform::kMaxDataFileBytes));
  for (int32_t t = 0; t < kTables; ++t) {
    const platform::FileRead read =
        platform::ReadRegularFile(PathIn(folder, TableFileName(t)), bytes, platform::kMaxDataFileBytes);
    if (read == platform::FileRead::CannotOpen) {  // that table starts empty
      visit(t, nullptr);
      continue;
    }
    if (read != platform::FileRead::Read) {
      if (error) *error = TableFileName(t) + ": " + platform::FileReadText(read);
      return FolderRead::Failed;
    }
    known.Tables[t] = FingerprintOf(bytes);
    visit(t, &bytes);
  }
  Known() = std::move(known);
  return FolderRead::Read;
}

SaveResult WriteLibraryFolder(const std::string& folder, const TableImages& tables, SaveMode mode,
                              std::string* error) {
  platform::FileLock lock;
  if (!LockFolder(lock, folder, platform::FileLock::Mode::Exclusive, error)) return SaveResult::Failed;
  // A folder that was not read is expected to hold no tables.
  const bool known = Known().Folder == folder;
  const std::vector<platform::FileStamp> stamps = StampsIn(folder);
  if (mode == SaveMode::KeepChangedFiles &&
      stamps != (known ? Known().Stamps : std::vector<platform::FileStamp>(kTables))) {
    return SaveResult::ChangedOnDisk;
  }

  std::vector<RecordEntry> entries;
  std::vector<std::string> written;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    RemoveFiles(written);
    return SaveResult::Failed;
  };
  for (int32_t t = 0; t < kTables; ++t) {
    // A table is written unless its file is still the one read, with these bytes.
    if (known && stamps[t].Exists && stamps[t] == Known().Stamps[t] &&
        Known().Tables[t] == FingerprintOf(*tables[t]))
      continue;
    const Contents contents = ContentsOf(*tables[t]);
    const std::string path = PathIn(folder, TableFileName(t));
    const std::string temporary = platform::TemporaryName(path);
    written.push_back(temporary);
    if (!platform::WriteDurably(temporary, tables[t]->data(), tables[t]->size()))
      return fail(SystemError("cannot write " + temporary));
    entries.push_back({t, fs::path(temporary).filename().string(), contents});
  }
  if (entries.empty()) return SaveResult::Saved;
  const std::string record = PathIn(folder, kCommitRecordName);
  const std::string recordTemporary = platform::TemporaryName(record);
  const std::string text = RecordText(entries);
  written.push_back(recordTemporary);
  if (!platform::WriteDurably(recordTemporary, text.data(), text.size()) ||
      ::rename(recordTemporary.c_str(), record.c_str()) != 0) {
    return fail(SystemError("cannot write " + record));
  }
  platform::FlushFolder(folder);

  // The new library is committed: a crash from here on leaves it whole.
  for (const RecordEntry& entry : entries) {
    const std::string temporary = PathIn(folder, entry.Temporary);
    if (::rename(temporary.c_str(), PathIn(folder, TableFileName(entry.Table)).c_str()) != 0) {
      if (error) *error = SystemError("cannot rename " + temporary + " (the next start finishes the save)");
      return SaveResult::Failed;
    }
  }
  platform::FlushFolder(folder);
  ::unlink(record.c_str());
  platform::FlushFolder(folder);

  KnownFiles now;
  now.Folder = folder;
  now.Stamps = StampsIn(folder);
  for (int32_t t = 0; t < kTables; ++t) now.Tables[t] = FingerprintOf(*tables[t]);
  Known() = std::move(now);
  return SaveResult::Saved;
}

bool LibraryFilesChanged() {
  const KnownFiles& known = Known();
  return !known.Folder.empty() && StampsIn(known.Folder) != known.Stamps;
}

LockResult LockLibraryForLearning(const std::string& folder, const LockWait& wait, std::string* error) {
  const std::string path = PathIn(folder, kLearnerLockName);
  using Result = platform::FileLock::Result;
  Result result =
      LearnerLock().Lock(path, platform::FileLock::Mode::Exclusive, std::chrono::milliseconds(0), error);
  if (result == Result::Busy) {
    if (wait.Waiting) wait.Waiting();
    result = LearnerLock().Lock(path, platform::FileLock::Mode::Exclusive, wait.Timeout, error);
  }
  switch (result) {
    case Result::Locked:
      return LockResult::Locked;
    case Result::Busy:
      return LockResult::Busy;
    case Result::Failed:
      break;
  }
  return LockResult::Failed;
}

void UnlockLibraryForLearning() {
  LearnerLock().Unlock();
}

bool LibraryLockedForLearning() {
  return LearnerLock().Held();
}

}  // namespace library
