// The command line's inputs: name order with numbers by value, folders of
// pages, lists of files, standard input, and the names of saved pages.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/Inputs.h"
#include "support/CliFixtures.h"

namespace cli {
namespace {

using clitest::WriteFile;
namespace fs = std::filesystem;

TEST(Inputs, NamesSortWithNumbersByValue) {
  std::vector<std::string> names = {"page10.png", "page9.png", "page1.png", "Page2.png", "page09.png",
                                    "page.png",   "page1a.png", "a",        "page2b3.png", "page2b10.png"};
  std::sort(names.begin(), names.end(), NaturalLess);
  const std::vector<std::string> expected = {"Page2.png", "a",          "page.png",     "page1.png",
                                             "page1a.png", "page2b3.png", "page2b10.png", "page9.png",
                                             "page09.png", "page10.png"};
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(NaturalLess("x", "x"));
}

TEST(Inputs, SavedPagesBeyondTheFirstGetTheirNumber) {
  EXPECT_EQ(PagePath("out/page.tif", 0), "out/page.tif");
  EXPECT_EQ(PagePath("out/page.tif", 1), "out/page-2.tif");
  EXPECT_EQ(PagePath("page.bmp", 11), "page-12.bmp");
}

std::string ListArgument(const fs::path& list) {
  return std::string(kListPrefix).append(list.string());
}

TEST(Inputs, FoldersListsAndStandardInputExpandInOrder) {
  const fs::path dir = fs::path(::testing::TempDir()) / "pellar_inputs";
  fs::remove_all(dir);
  fs::create_directories(dir / "scans" / "sub.png");
  for (const char* name : {"p10.tif", "p2.PNG", "p1.jpg", ".hidden.png", "p1.jpg.RED", "notes.txt", "noext"})
    WriteFile(dir / "scans" / name, "x");
  fs::create_directories(dir / "none");
  WriteFile(dir / "list.txt", "a.png\r\n\n" + (dir / "scans").string() + "\nb c.png\n");
  const std::vector<InputFile> files =
      ExpandInputs({"-", (dir / "scans").string(), ListArgument(dir / "list.txt"), "x.png",
                    (dir / "none").string(), ListArgument(dir / "missing.txt")});
  std::vector<std::string> paths;
  for (const InputFile& f : files) paths.push_back(f.Path);
  const std::string scans = (dir / "scans").string() + "/";
  const std::vector<std::string> expected = {
      "-",    scans + "p1.jpg", scans + "p2.PNG", scans + "p10.tif", "a.png", scans + "p1.jpg", scans + "p2.PNG",
      scans + "p10.tif", "b c.png", "x.png", (dir / "none").string(), ListArgument(dir / "missing.txt")};
  EXPECT_EQ(paths, expected);
  EXPECT_TRUE(files[0].StandardInput);
  EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const InputFile& f) { return f.StandardInput; }), 1);
  EXPECT_EQ(files[10].Problem, "the folder holds no page images");
  EXPECT_EQ(files[11].Problem, "cannot read the list: cannot open the file: No such file or directory");
  for (size_t i = 0; i < 10; ++i) EXPECT_TRUE(files[i].Problem.empty()) << paths[i];
}

}  // namespace
}  // namespace cli
