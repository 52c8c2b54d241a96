// Replacing files: the new file appears whole or not at all, the old one
// stays when the write fails, and no temporary file is left behind.
#include <gtest/gtest.h>

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

}  // namespace
