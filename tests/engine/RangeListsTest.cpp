// The library lists as the Latin range modes read them: only the entries
// inside the mode's ranges, in their order; lists without such entries are
// present but empty; and the cut follows every change of the library.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Classifier.h"
#include "engine/RangeLists.h"
#include "library/CharIndex.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"

namespace engine {
namespace {

constexpr CharCode kOne = MakeCode(0xD2, 0xBB);          // 一 (3505)
constexpr CharCode kHanzi = MakeCode(0xB0, 0xA1);        // 啊 (283)
constexpr CharCode kComma = MakeCode(0xA1, 0xA2);        // 、 (2)
constexpr CharCode kExclamation = MakeCode(0xA3, 0xA1);  // ！ (189)
constexpr CharCode kPair = MakeCode('a', 'b');           // ab (13132)

std::vector<library::CharIndex> Values(const library::CharIndex* list) {
  std::vector<library::CharIndex> values;
  for (; *list != 0; ++list) values.push_back(*list);
  return values;
}

class RangeListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library::ClearLibrary();
    BuildShapeLists();
  }
  void TearDown() override { library::ClearLibrary(); }
};

TEST_F(RangeListsTest, LatinModesKeepOnlyTheEntriesInTheirRanges) {
  for (CharCode code : {kHanzi, kPair, kOne, kComma, kExclamation}) library::LibraryAdd(4, 100, code);
  library::LibraryAdd(4, 101, kHanzi);
  library::LibrarySlot(4, 102).assign(library::kSlotGroupValues, 0);  // present, empty

  const ModeLists all(4, kRangeAll);
  EXPECT_EQ(all.At(100), library::LibraryList(4, 100));
  const ModeLists latin(4, kRangeLatin);
  EXPECT_EQ(Values(latin.At(100)), (std::vector<library::CharIndex>{13132, 3505, 189}));
  const ModeLists single(4, kRangeSingleLatin);
  EXPECT_EQ(Values(single.At(100)), (std::vector<library::CharIndex>{3505, 189}));
  for (const ModeLists* lists : {&latin, &single}) {
    ASSERT_NE(lists->At(101), nullptr);  // a list, none of it in range
    EXPECT_EQ(lists->At(101)[0], 0);
    ASSERT_NE(lists->At(102), nullptr);
    EXPECT_EQ(lists->At(102)[0], 0);
    EXPECT_EQ(lists->At(103), nullptr);  // no list at all
  }
}

TEST_F(RangeListsTest, TheCutFollowsLearningAndClearing) {
  library::LibraryAdd(9, 7, kHanzi);
  EXPECT_EQ(ModeLists(9, kRangeLatin).At(7)[0], 0);
  library::LibraryAdd(9, 7, kPair);
  EXPECT_EQ(Values(ModeLists(9, kRangeLatin).At(7)), (std::vector<library::CharIndex>{13132}));
  library::LibraryRemove(9, 7, kPair);
  EXPECT_EQ(ModeLists(9, kRangeLatin).At(7)[0], 0);
  library::ClearLibrary();
  EXPECT_EQ(ModeLists(9, kRangeLatin).At(7), nullptr);
}

}  // namespace
}  // namespace engine
