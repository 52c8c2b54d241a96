// The library's files as one set: a save killed at any of its steps (and a
// load killed while it finishes such a save), a full disk or a blocked
// temporary file all leave, after the next load, the whole old or the whole
// new library and no stray files; files that someone else changed are not
// overwritten unless asked; a learning run's lock makes another one wait.
//
// The kills are exact: this test program defines write, fsync, rename and
// unlink itself (passing them on to the C library), so that a child process
// can count the calls its save makes and end itself at the chosen one, as a
// kill would; a write it ends in leaves half its bytes behind.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "library/LibraryFiles.h"
#include "library/TemplateLibrary.h"
#include "platform/FileIo.h"
#include "platform/FileLock.h"
#include "support/LibraryFixtures.h"

namespace {

int killAt = 0;  // 0: calls pass; n: the process ends at the n-th call from now
int calls = 0;

bool EndsHere() {
  return killAt != 0 && ++calls == killAt;
}

template <class Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

constexpr int kKilled = 77;
constexpr int kFinished = 78;

}  // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t size) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (EndsHere()) {
    real(fd, data, size / 2);
    _exit(kKilled);
  }
  return real(fd, data, size);
}

int fsync(int fd) {
  static const auto real = Real<int (*)(int)>("fsync");
  if (EndsHere()) _exit(kKilled);
  return real(fd);
}

int rename(const char* from, const char* to) {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  if (EndsHere()) _exit(kKilled);
  return real(from, to);
}

int unlink(const char* path) {
  static const auto real = Real<int (*)(const char*)>("unlink");
  if (EndsHere()) _exit(kKilled);
  return real(path);
}

}  // extern "C"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::vector<uint8_t>>;
using library::SaveResult;
using testing_support::ReadBytes;
using testing_support::TeachRun;
using testing_support::WriteBytes;

// Runs `work` in a child process with the kill armed at call `at` (0: not
// at all); true when the child was ended there, false when it finished.
bool RunKilledAt(int at, const std::function<void()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    killAt = at;
    calls = 0;
    work();
    _exit(kFinished);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == kKilled || WEXITSTATUS(status) == kFinished))
      << "status " << status;
  return WIFEXITED(status) && WEXITSTATUS(status) == kKilled;
}

class LibraryFilesTest : public testing_support::LibraryTest {
 protected:
  // Every file of the folder by name.
  Files FolderFiles() {
    Files files;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
      if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadBytes(entry.path().string());
    }
    return files;
  }
  // The table files only.
  Files TableFiles() {
    Files files = FolderFiles();
    std::erase_if(files, [](const auto& file) {
      return !file.first.starts_with("ZEZID.D") || file.first.size() != std::string("ZEZID.D00").size();
    });
    return files;
  }
  void RestoreFolder(const Files& files) {
    for (const auto& entry : fs::directory_iterator(folder.Path())) fs::remove_all(entry.path());
    for (const auto& [name, bytes] : files) WriteBytes(folder.File(name), bytes);
  }
  // The old library, saved: tables 0, 7 and 31 hold something.
  Files SaveOldLibrary() {
    TeachRun(0, 3, 5);
    TeachRun(7, 100, 2);
    TeachRun(31, 9, 1);
    EXPECT_EQ(library::SaveLibrary(true), SaveResult::Saved);
    return TableFiles();
  }
  // The learning of the new library: tables 0, 7 and 20 change.
  static void Teach() {
    ASSERT_TRUE(library::LoadLibrary(nullptr));
    TeachRun(0, 4, 3);
    TeachRun(7, 100, 9);
    for (int32_t i = 0; i < 1000; ++i) TeachRun(20, i, 1);  // a table of 74 KB
  }
  // The table files the learning gives, made in a folder of their own.
  Files NewLibrary(const Files& old) {
    testing_support::ScratchFolder other;
    for (const auto& [name, bytes] : old) WriteBytes(other.File(name), bytes);
    library::SetProgramFolder(other.Path());
    Teach();
    EXPECT_EQ(library::SaveLibrary(true), SaveResult::Saved);
    library::SetProgramFolder(folder.Path());
    Files files;
    for (const auto& [name, bytes] : old) files[name] = ReadBytes(other.File(name));
    return files;
  }
  // After a load the folder holds the tables and the learning lock only.
  void ExpectNothingStray(int at) {
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(TableFiles().count(name) || name == "ZEZID.lock") << name << " after a kill at " << at;
    }
  }
};

}  // namespace

TEST_F(LibraryFilesTest, SaveKilledAtAnyStepLeavesTheOldOrTheNewLibrary) {
  const Files old = SaveOldLibrary();
  const Files renewed = NewLibrary(old);
  ASSERT_NE(old, renewed);
  int leftOld = 0, leftNew = 0, at = 1;
  for (;; ++at) {
    RestoreFolder(old);
    const bool killed = RunKilledAt(at, [] {
      Teach();
      library::SaveLibrary(true);
    });
    ASSERT_TRUE(library::LoadLibrary(nullptr)) << "kill at " << at;
    const Files now = TableFiles();
    ASSERT_TRUE(now == old || now == renewed) << "kill at " << at;
    (now == old ? leftOld : leftNew) += 1;
    ExpectNothingStray(at);
    if (!killed) break;
    ASSERT_LT(at, 200) << "the save never finished";
  }
  EXPECT_EQ(TableFiles(), renewed);
  // Writing the three tables and the record, then switching, takes over a
  // dozen steps; kills before the commit left the old library, after it the new.
  EXPECT_GT(at, 12);
  EXPECT_GT(leftOld, 6);
  EXPECT_GT(leftNew, 4);
}

TEST_F(LibraryFilesTest, LoadKilledWhileFinishingASaveIsFinishedByTheNextLoad) {
  const Files old = SaveOldLibrary();
  const Files renewed = NewLibrary(old);
  // The first kill point of the save that leaves the new library: the save
  // is committed there but not one table has been switched.
  int committed = 1;
  for (;; ++committed) {
    RestoreFolder(old);
    RunKilledAt(committed, [] {
      Teach();
      library::SaveLibrary(true);
    });
    const Files files = FolderFiles();
    if (files.count("ZEZID.commit")) break;
    ASSERT_LT(committed, 100);
  }
  const Files interrupted = FolderFiles();
  for (int at = 1;; ++at) {
    RestoreFolder(interrupted);
    const bool killed = RunKilledAt(at, [] { library::LoadLibrary(nullptr); });
    ASSERT_TRUE(library::LoadLibrary(nullptr)) << "kill at " << at;
    ASSERT_EQ(TableFiles(), renewed) << "kill at " << at;
    ExpectNothingStray(at);
    if (!killed) break;
    ASSERT_LT(at, 200) << "the load never finished";
  }
}

// A disk that fills up (here a file size limit) or a temporary name that is
// taken stops the save before the switch: every old table stays.
TEST_F(LibraryFilesTest, FailedWritesKeepTheWholeOldLibrary) {
  const Files old = SaveOldLibrary();
  RunKilledAt(0, [] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{70000, RLIM_INFINITY};  // room for the small tables, not for table 20
    setrlimit(RLIMIT_FSIZE, &limit);
    Teach();
    if (library::SaveLibrary(true) != SaveResult::Failed) _exit(1);
  });
  EXPECT_EQ(TableFiles(), old);
  ExpectNothingStray(0);

  Teach();
  const std::string blocked = platform::TemporaryName(testing_support::TablePath(folder.Path(), 20));
  fs::create_directory(blocked);
  EXPECT_EQ(library::SaveLibrary(true), SaveResult::Failed);
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, "保存出错!");
  EXPECT_EQ(TableFiles(), old);
  fs::remove(blocked);
  ExpectNothingStray(0);
  // The library is still in memory and is saved once the way is clear.
  EXPECT_EQ(library::SaveLibrary(true), SaveResult::Saved);
  EXPECT_NE(TableFiles(), old);
}

TEST_F(LibraryFilesTest, FilesChangedByOthersAreNotOverwrittenUnlessAsked) {
  const Files old = SaveOldLibrary();
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  TeachRun(5, 50, 2);
  EXPECT_FALSE(library::LibraryFilesChanged());
  // Another program replaces table 7 with a library of its own.
  const std::string table7 = testing_support::TablePath(folder.Path(), 7);
  std::vector<uint8_t> theirs = old.at("ZEZID.D07");
  theirs.insert(theirs.end(), 12, 0);
  theirs[4 * 8] = 13;  // a second, empty list at feature index 8
  ASSERT_TRUE(platform::WriteFileAtomically(table7, theirs));
  EXPECT_TRUE(library::LibraryFilesChanged());
  EXPECT_EQ(library::SaveLibrary(true), SaveResult::ChangedOnDisk);
  EXPECT_TRUE(ui.Messages.empty());
  EXPECT_EQ(ReadBytes(table7), theirs);
  EXPECT_EQ(ReadBytes(testing_support::TablePath(folder.Path(), 5)), old.at("ZEZID.D05"));
  ASSERT_NE(library::LibraryList(5, 50), nullptr);  // kept in memory for a second try

  EXPECT_EQ(library::SaveLibrary(true, library::SaveMode::Overwrite), SaveResult::Saved);
  EXPECT_EQ(ReadBytes(table7), old.at("ZEZID.D07"));
  EXPECT_FALSE(library::LibraryFilesChanged());

  // Only the changed table is rewritten.
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  const platform::FileStamp before = platform::StampOf(table7);
  TeachRun(5, 51, 1);
  EXPECT_EQ(library::SaveLibrary(true), SaveResult::Saved);
  EXPECT_EQ(platform::StampOf(table7), before);

  // A table file that appeared since loading is a change as well.
  fs::remove(testing_support::TablePath(folder.Path(), 12));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  WriteBytes(testing_support::TablePath(folder.Path(), 12), old.at("ZEZID.D12"));
  EXPECT_EQ(library::SaveLibrary(true), SaveResult::ChangedOnDisk);
}

TEST_F(LibraryFilesTest, ATableWhoseBytesChangeAtTheSameSizeIsWritten) {
  // What was read is remembered by size and fingerprint: a change of any
  // single byte (in each of the fingerprint's lanes and in the tail that
  // follows the last whole group of words) is a change to write.
  constexpr size_t kBytes = 32 * 3 + 5;
  library::TableImages images(32);
  for (size_t t = 0; t < images.size(); ++t) images[t] = std::vector<uint8_t>(kBytes, static_cast<uint8_t>(t));
  ASSERT_EQ(library::WriteLibraryFolder(folder.Path(), images, library::SaveMode::Overwrite, nullptr),
            SaveResult::Saved);
  for (const size_t at : {size_t{0}, size_t{9}, size_t{18}, size_t{27}, size_t{70}, kBytes - 1}) {
    library::TableImages read(32);
    const library::TableVisitor keep = [&read](int32_t table, std::vector<uint8_t>* bytes) {
      if (bytes) read[static_cast<size_t>(table)] = std::move(*bytes);
    };
    ASSERT_EQ(library::ReadLibraryFolder(folder.Path(), keep, nullptr), library::FolderRead::Read);
    const std::string table3 = testing_support::TablePath(folder.Path(), 3);
    const platform::FileStamp untouched = platform::StampOf(table3);
    (*read[5])[at] ^= 0x40;
    ASSERT_EQ(library::WriteLibraryFolder(folder.Path(), read, library::SaveMode::KeepChangedFiles, nullptr),
              SaveResult::Saved);
    EXPECT_EQ(ReadBytes(testing_support::TablePath(folder.Path(), 5)), *read[5]) << "byte " << at;
    EXPECT_EQ(platform::StampOf(table3), untouched) << "an unchanged table is left as it is";
  }
}

TEST_F(LibraryFilesTest, LoadingRemovesStrayFilesAndRefusesADamagedRecord) {
  const Files old = SaveOldLibrary();
  for (const char* name : {"ZEZID.D03.tmp4242", "ZEZID.commit.tmp17"}) WriteBytes(folder.File(name), {1, 2});
  WriteBytes(folder.File("ZEZID.D03.tmpx"), {3});  // not a name of ours
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_FALSE(fs::exists(folder.File("ZEZID.D03.tmp4242")));
  EXPECT_FALSE(fs::exists(folder.File("ZEZID.commit.tmp17")));
  EXPECT_TRUE(fs::exists(folder.File("ZEZID.D03.tmpx")));
  fs::remove(folder.File("ZEZID.D03.tmpx"));

  // A record that is not whole, or that names other files, is never obeyed.
  const std::string records[] = {
      "pellar library commit 1\nZEZID.D03 ZEZID.D03.tmp9 62501 00",
      "pellar library commit 1\n../x ../x.tmp9 62501 0000000000000000\nend 0000000000000000\n",
  };
  for (const std::string& record : records) {
    WriteBytes(folder.File("ZEZID.commit"), std::vector<uint8_t>(record.begin(), record.end()));
    std::string problem;
    EXPECT_FALSE(library::LoadLibrary(nullptr, &problem));
    EXPECT_NE(problem.find("damaged"), std::string::npos) << problem;
  }
  EXPECT_EQ(TableFiles(), old);
}

TEST_F(LibraryFilesTest, ASecondLearnerWaitsForTheFirst) {
  SaveOldLibrary();
  platform::FileLock other;  // another learning run
  ASSERT_EQ(other.Lock(folder.File("ZEZID.lock"), platform::FileLock::Mode::Exclusive, std::nullopt, nullptr),
            platform::FileLock::Result::Locked);
  int waited = 0;
  library::LockWait wait{std::chrono::milliseconds(50), [&] { ++waited; }};
  std::string error;
  EXPECT_EQ(library::LockLibraryForLearning(folder.Path(), wait, &error), library::LockResult::Busy);
  EXPECT_EQ(waited, 1);
  other.Unlock();
  EXPECT_EQ(library::LockLibraryForLearning(folder.Path(), wait, &error), library::LockResult::Locked);
  EXPECT_EQ(waited, 1);
  EXPECT_TRUE(library::LibraryLockedForLearning());
  EXPECT_EQ(other.Lock(folder.File("ZEZID.lock"), platform::FileLock::Mode::Exclusive,
                       std::chrono::milliseconds(0), nullptr),
            platform::FileLock::Result::Busy);
  // Held from load to save.
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_TRUE(library::LibraryLockedForLearning());
  EXPECT_EQ(library::SaveLibrary(false), SaveResult::Saved);
  EXPECT_FALSE(library::LibraryLockedForLearning());
}
