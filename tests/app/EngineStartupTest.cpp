// Where start-up finds the library: the folder named, else the one
// $PELLAROCR_LIBRARY names, else the first searched folder with a Word.Dat;
// a folder that is named is used as it is, never passed over for another.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/EngineStartup.h"
#include "library/WordPairs.h"
#include "platform/UiHooks.h"

namespace {

namespace fs = std::filesystem;

class EngineStartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per process: ctest runs the cases side by side.
    dir_ = fs::path(::testing::TempDir()) / ("pellar_startup_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "named");
    fs::create_directories(dir_ / "from-environment");
    fs::create_directories(dir_ / "without-word-pairs");
    for (const char* folder : {"named", "from-environment"}) {
      std::ofstream(dir_ / folder / "Word.Dat", std::ios::binary)
          << std::string(library::kWordPairIndexBytes, '\0');
    }
    platform::SetUi(&ui_);
  }
  void TearDown() override {
    ::unsetenv(app::kLibraryVariable);
    app::StopEngine();
    platform::SetUi(nullptr);
    fs::remove_all(dir_);
  }

  std::string Folder(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  platform::HeadlessUi ui_;
};

TEST_F(EngineStartupTest, TheFolderNamedComesBeforeTheEnvironment) {
  ::setenv(app::kLibraryVariable, Folder("missing").c_str(), 1);
  ASSERT_EQ(app::StartEngine(Folder("named")), app::StartResult::Started);
  EXPECT_EQ(library::ProgramFolder(), Folder("named"));
}

TEST_F(EngineStartupTest, TheEnvironmentNamesTheOnlyFolderTried) {
  ::setenv(app::kLibraryVariable, Folder("from-environment").c_str(), 1);
  EXPECT_EQ(app::LibrarySearchFolders(), std::vector{Folder("from-environment")});
  ASSERT_EQ(app::StartEngine(""), app::StartResult::Started);
  EXPECT_EQ(library::ProgramFolder(), Folder("from-environment"));

  ::setenv(app::kLibraryVariable, Folder("missing").c_str(), 1);
  EXPECT_EQ(app::StartEngine(""), app::StartResult::LibraryFolderMissing);
  EXPECT_EQ(app::StartFailureText(app::StartResult::LibraryFolderMissing),
            "library folder not found: " + Folder("missing"));

  // A named folder without Word.Dat is an error, not a reason to look on.
  ::setenv(app::kLibraryVariable, Folder("without-word-pairs").c_str(), 1);
  EXPECT_EQ(app::StartEngine(""), app::StartResult::WordPairsUnreadable);
  ASSERT_FALSE(ui_.Messages.empty());
  EXPECT_EQ(ui_.Messages.back().Text, "打开Word.Dat文件错误!");
}

TEST_F(EngineStartupTest, WithoutANameTheProgramFolderThenTheInstalledShareFolderAreSearched) {
  ::unsetenv(app::kLibraryVariable);
  const std::vector<std::string> folders = app::LibrarySearchFolders();
  ASSERT_GE(folders.size(), 3u);
  const fs::path program = library::ExecutableFolder();
  EXPECT_EQ(folders[0], program.string());
  EXPECT_EQ(folders[1], (program.parent_path() / "share" / "pellarocr").string());
  EXPECT_TRUE(fs::path(folders[2]).is_absolute());
  // The build puts a Word.Dat beside the programs.
  ASSERT_EQ(app::StartEngine(""), app::StartResult::Started);
  EXPECT_EQ(library::ProgramFolder(), program.string());
}

}  // namespace
