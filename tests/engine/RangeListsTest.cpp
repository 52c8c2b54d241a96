// The library lists as the Latin range modes read them: the library's own
// until a table has been asked for often, then only the entries inside the
// mode's ranges, in their order (lists without such entries present but
// empty); and the cut follows every change of the library.
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

// The list at a feature index, or nullptr where there is none.
const library::CharIndex* At(const library::PackedLists& lists, int32_t featureIndex) {
  const uint32_t first = lists.Offsets[featureIndex];
  return first == lists.Offsets[featureIndex + 1] ? nullptr : lists.Values + first;
}

// The view of a table once it has been asked for often enough to be cut.
library::PackedLists CutLists(int32_t table, int32_t mode) {
  for (int32_t use = 0; use < 1000; ++use) {
    const ModeView view = ModeLists(table, mode);
    if (view.InRangeOnly) return view.Lists;
  }
  ADD_FAILURE() << "never cut";
  return library::LibraryLists(table);
}

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

  EXPECT_TRUE(ModeLists(4, kRangeAll).InRangeOnly);
  EXPECT_EQ(At(ModeLists(4, kRangeAll).Lists, 100), library::LibraryList(4, 100));
  EXPECT_EQ(At(ModeLists(4, kRangeAll).Lists, 103), nullptr);
  const ModeView first = ModeLists(4, kRangeLatin);  // not cut yet: the library's lists
  EXPECT_FALSE(first.InRangeOnly);
  EXPECT_EQ(At(first.Lists, 100), library::LibraryList(4, 100));
  EXPECT_EQ(Values(At(CutLists(4, kRangeLatin), 100)), (std::vector<library::CharIndex>{13132, 3505, 189}));
  EXPECT_EQ(Values(At(CutLists(4, kRangeSingleLatin), 100)), (std::vector<library::CharIndex>{3505, 189}));
  for (int32_t mode : {kRangeLatin, kRangeSingleLatin}) {
    const library::PackedLists lists = CutLists(4, mode);
    ASSERT_NE(At(lists, 101), nullptr);  // a list, none of it in range
    EXPECT_EQ(At(lists, 101)[0], 0);
    ASSERT_NE(At(lists, 102), nullptr);
    EXPECT_EQ(At(lists, 102)[0], 0);
    EXPECT_EQ(At(lists, 103), nullptr);  // no list at all
    EXPECT_EQ(At(lists, 0), nullptr);
    EXPECT_EQ(At(lists, library::kFeatureIndexCount - 1), nullptr);
  }
}

TEST_F(RangeListsTest, TheCutFollowsLearningAndClearing) {
  library::LibraryAdd(9, 7, kHanzi);
  EXPECT_EQ(At(CutLists(9, kRangeLatin), 7)[0], 0);
  library::LibraryAdd(9, 7, kPair);
  EXPECT_FALSE(ModeLists(9, kRangeLatin).InRangeOnly);  // counted again from the change
  EXPECT_EQ(Values(At(CutLists(9, kRangeLatin), 7)), (std::vector<library::CharIndex>{13132}));
  library::LibraryRemove(9, 7, kPair);
  EXPECT_EQ(At(CutLists(9, kRangeLatin), 7)[0], 0);
  library::ClearLibrary();
  EXPECT_EQ(At(CutLists(9, kRangeLatin), 7), nullptr);
}

}  // namespace
}  // namespace engine
