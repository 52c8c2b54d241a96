// Replacing files: the new file appears whole or not at all, the old one
// stays when the write fails, and no temporary file is left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/FileIo.h"
#include "support/LibraryFixtures.h"

namespace {

namespace fs = std::filesystem;

TEST(FileIo, ReplacingKeepsTheOldFileUntilTheNewOneIsComplete) {
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("page.txt");
  ASSERT_TRUE(platform::WriteFileAtomically(path, std::string("old")));
  {
    platform::ReplacingFile file(path);
    ASSERT_TRUE(file.Write("new", 3));
    EXPECT_EQ(testing_support::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'})) << "not yet committed";
  }  // dropped without Commit
  EXPECT_EQ(testing_support::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1) << "the temporary file is removed";

  // The temporary name is taken: the write fails and the old file stays.
  fs::create_directory(testing_support::TemporaryNameOf(path));
  EXPECT_FALSE(platform::WriteFileAtomically(path, std::string("newer")));
  EXPECT_EQ(testing_support::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  fs::remove(testing_support::TemporaryNameOf(path));

  EXPECT_TRUE(platform::WriteFileAtomically(path, std::vector<uint8_t>{}));
  EXPECT_TRUE(testing_support::ReadBytes(path).empty());
  EXPECT_FALSE(platform::WriteFileAtomically(folder.File("missing/page.txt"), std::string("x")));
}

TEST(FileIo, WholeFilesAreReadUpToTheCap) {
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("data.bin");
  testing_support::WriteBytes(path, std::vector<uint8_t>(100, 7));
  std::vector<uint8_t> data;
  std::string error;
  ASSERT_TRUE(platform::ReadWholeFile(path, data, &error, 100)) << error;
  EXPECT_EQ(data.size(), 100u);
  EXPECT_FALSE(platform::ReadWholeFile(path, data, &error, 99));
  EXPECT_EQ(error, "the file is larger than 99 bytes");
  EXPECT_TRUE(data.empty());
  EXPECT_FALSE(platform::ReadWholeFile(folder.File("none"), data, &error));
  EXPECT_EQ(error, "cannot open the file: No such file or directory");
  EXPECT_EQ(platform::LowerExtension("/a.b/Page.TIFF"), ".tiff");
  EXPECT_EQ(platform::LowerExtension("/a.b/page"), "");
}

// Special files are refused without waiting: a FIFO without a writer (whose
// opening would wait for ever), a device without end, a folder; a link to a
// regular file is read through.
TEST(FileIo, OnlyRegularFilesAreRead) {
  testing_support::ScratchFolder folder;
  const std::string fifo = folder.File("page.bmp");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string device = folder.File("table");
  fs::create_symlink("/dev/zero", device);
  std::vector<uint8_t> data;
  for (const std::string& path : {fifo, device, folder.Path()}) {
    EXPECT_EQ(platform::ReadRegularFile(path, data, platform::kMaxDataFileBytes),
              platform::FileRead::NotRegularFile)
        << path;
    platform::FileRead failure = platform::FileRead::Read;
    EXPECT_EQ(platform::OpenRegularFile(path, &failure), -1);
    EXPECT_EQ(failure, platform::FileRead::NotRegularFile);
  }
  testing_support::WriteBytes(folder.File("real"), {1, 2, 3});
  fs::create_symlink(folder.File("real"), folder.File("link"));
  EXPECT_EQ(platform::ReadRegularFile(folder.File("link"), data, 3), platform::FileRead::Read);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3}));
}

// A stamp tells a file replaced or rewritten from the one seen before.
TEST(FileIo, StampsTellChangedFiles) {
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("ZEZID.D00");
  EXPECT_FALSE(platform::StampOf(path).Exists);
  ASSERT_TRUE(platform::WriteDurably(path, "abc", 3));
  const platform::FileStamp first = platform::StampOf(path);
  EXPECT_TRUE(first.Exists);
  EXPECT_EQ(first.Size, 3u);
  EXPECT_EQ(platform::StampOf(path), first);
  ASSERT_TRUE(platform::WriteFileAtomically(path, std::string("abc")));  // same bytes, a new file
  EXPECT_NE(platform::StampOf(path), first);
  EXPECT_TRUE(platform::FlushFolder(folder.Path()));
  EXPECT_FALSE(platform::WriteDurably(folder.File("missing/x"), "a", 1));
}

}  // namespace
