// Advisory locks: two holders exclude each other (even in one process),
// shared holders do not, a wait with a limit gives up, and a released lock
// can be taken again; folders can be locked as well as files.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/FileLock.h"
#include "support/LibraryFixtures.h"

namespace {

using platform::FileLock;
using namespace std::chrono_literals;

TEST(FileLock, HoldersTakeTurns) {
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("ZEZID.lock");
  FileLock first, second;
  std::string error;
  ASSERT_EQ(first.Lock(path, FileLock::Mode::Exclusive, 0ms, &error), FileLock::Result::Locked) << error;
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(second.Lock(path, FileLock::Mode::Exclusive, 0ms, &error), FileLock::Result::Busy);
  EXPECT_EQ(second.Lock(path, FileLock::Mode::Shared, 60ms, &error), FileLock::Result::Busy);
  EXPECT_FALSE(second.Held());
  first.Unlock();
  EXPECT_EQ(second.Lock(path, FileLock::Mode::Exclusive, std::nullopt, &error), FileLock::Result::Locked);

  FileLock reader, otherReader;
  EXPECT_EQ(reader.Lock(folder.Path(), FileLock::Mode::Shared, 0ms, &error), FileLock::Result::Locked);
  EXPECT_EQ(otherReader.Lock(folder.Path(), FileLock::Mode::Shared, 0ms, &error), FileLock::Result::Locked);
  FileLock writer;
  EXPECT_EQ(writer.Lock(folder.Path(), FileLock::Mode::Exclusive, 0ms, &error), FileLock::Result::Busy);

  EXPECT_EQ(writer.Lock(folder.File("missing/ZEZID.lock"), FileLock::Mode::Exclusive, 0ms, &error),
            FileLock::Result::Failed);
  EXPECT_NE(error.find("missing/ZEZID.lock"), std::string::npos) << error;
}

}  // namespace
