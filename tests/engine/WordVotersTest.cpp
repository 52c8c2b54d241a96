// The voters of a feature word: every character of the lists at the word's
// value and at its twelve neighbours exactly once, in the range mode's
// lists, as a list or (many of them) as a set; kept voters follow every
// change of the library and survive being dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/RangeLists.h"
#include "engine/WordVoters.h"
#include "library/CharIndex.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"

namespace engine {
namespace {

constexpr int32_t kWord = 222222;
constexpr CharCode kPair = MakeCode('a', 'b');  // ab (13132)

CharCode Hanzi(int32_t k) {
  return MakeCode(0xB0, static_cast<uint8_t>(0xA1 + k));  // 283 + k
}

class WordVotersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library::ClearLibrary();
    BuildShapeLists();
    DropWordVoters();
  }
  void TearDown() override { library::ClearLibrary(); }

  // The sorted voters of word w (the others at 444444, where nothing is taught).
  std::vector<library::CharIndex> VotersOf(int32_t w, int32_t word, int32_t mode, bool* found = nullptr) {
    int32_t words[kFeatureWords];
    std::fill(words, words + kFeatureWords, 444444);
    words[w] = word;
    WordVoters voters[kFeatureWords];
    FindWordVoters(words, mode, voters);
    if (found != nullptr) *found = voters[w].Found;
    std::vector<library::CharIndex> values;
    if (voters[w].Set.Words > 0) {
      EXPECT_EQ(voters[w].Count, 0u);
      for (int32_t c = 0; c < kVoterSetWords * 64; ++c) {
        if (voters[w].Set.Has(c)) values.push_back(static_cast<library::CharIndex>(c));
      }
    } else {
      values.assign(voters[w].First, voters[w].First + voters[w].Count);
      std::sort(values.begin(), values.end());
    }
    return values;
  }
};

TEST_F(WordVotersTest, EveryCharacterOfTheNeighbourhoodOnce) {
  const int32_t index = library::FeatureWordToIndex(kWord);
  library::LibraryAdd(5, index, Hanzi(0));
  library::LibraryAdd(5, index, Hanzi(1));
  library::LibraryAdd(5, library::FeatureWordToIndex(kWord + 1), Hanzi(1));       // p = 0 up
  library::LibraryAdd(5, library::FeatureWordToIndex(kWord - 100000), Hanzi(2));  // p = 5 down
  library::LibraryAdd(5, library::FeatureWordToIndex(kWord + 11), Hanzi(3));      // two digits away
  library::LibraryAdd(5, library::FeatureWordToIndex(kWord - 1), kPair);
  bool found = false;
  EXPECT_EQ(VotersOf(5, kWord, kRangeAll, &found), (std::vector<library::CharIndex>{283, 284, 285, 13132}));
  EXPECT_TRUE(found);
  EXPECT_EQ(VotersOf(5, kWord, kRangeLatin), (std::vector<library::CharIndex>{13132}));
  EXPECT_EQ(VotersOf(5, kWord, kRangeSingleLatin, &found), (std::vector<library::CharIndex>{}));
  EXPECT_TRUE(found);  // lists exist, none of their characters in range
  // The same from the cut-down lists, once the table is asked for often.
  while (!ModeLists(5, kRangeLatin).InRangeOnly) {
  }
  DropWordVoters();
  EXPECT_EQ(VotersOf(5, kWord, kRangeLatin), (std::vector<library::CharIndex>{13132}));
  EXPECT_EQ(VotersOf(6, kWord, kRangeAll, &found), (std::vector<library::CharIndex>{}));
  EXPECT_FALSE(found);
  // A present but empty list is found and gives no voter.
  library::LibrarySlot(6, index).assign(library::kSlotGroupValues, 0);
  EXPECT_EQ(VotersOf(6, kWord, kRangeAll, &found), (std::vector<library::CharIndex>{}));
  EXPECT_TRUE(found);
}

TEST_F(WordVotersTest, KeptRunsFollowTheLibrary) {
  const int32_t index = library::FeatureWordToIndex(kWord);
  library::LibraryAdd(9, index, Hanzi(0));
  EXPECT_EQ(VotersOf(9, kWord, kRangeAll), (std::vector<library::CharIndex>{283}));
  library::LibraryAdd(9, index, Hanzi(4));
  EXPECT_EQ(VotersOf(9, kWord, kRangeAll), (std::vector<library::CharIndex>{283, 287}));
  library::LibraryRemove(9, index, Hanzi(0));
  EXPECT_EQ(VotersOf(9, kWord, kRangeAll), (std::vector<library::CharIndex>{287}));
  DropWordVoters();
  EXPECT_EQ(VotersOf(9, kWord, kRangeAll), (std::vector<library::CharIndex>{287}));
  library::ClearLibrary();
  EXPECT_EQ(VotersOf(9, kWord, kRangeAll), (std::vector<library::CharIndex>{}));
}

// Many voters are kept as a set, with the same characters a list would hold:
// each once, from the value and its neighbours, only those inside the ranges.
TEST_F(WordVotersTest, ManyVotersMakeASet) {
  const int32_t index = library::FeatureWordToIndex(kWord);
  std::vector<library::CharIndex> expected;
  for (int32_t k = 0; k < 150; ++k) {
    const CharCode code = MakeCode(static_cast<uint8_t>(0xB0 + k / 90), static_cast<uint8_t>(0xA1 + k % 90));
    library::LibraryAdd(3, k % 2 == 0 ? index : library::FeatureWordToIndex(kWord + 10), code);
    if (k % 3 == 0) library::LibraryAdd(3, library::FeatureWordToIndex(kWord - 1), code);  // met twice
    expected.push_back(library::CodeToIndex(code));
  }
  library::LibraryAdd(3, index, kPair);
  library::LibraryAdd(3, library::FeatureWordToIndex(kWord + 2), MakeCode('x', 'y'));  // two steps away
  expected.push_back(13132);
  std::sort(expected.begin(), expected.end());
  int32_t words[kFeatureWords];
  std::fill(words, words + kFeatureWords, 444444);
  words[3] = kWord;
  WordVoters voters[kFeatureWords];
  FindWordVoters(words, kRangeAll, voters);
  EXPECT_EQ(voters[3].Set.Words, 208);  // the set ends after the pair's word, 205
  EXPECT_EQ(VotersOf(3, kWord, kRangeAll), expected);
  // The Latin modes read lists of their own ranges only: the pair alone.
  EXPECT_EQ(VotersOf(3, kWord, kRangeLatin), (std::vector<library::CharIndex>{13132}));
  while (!ModeLists(3, kRangeLatin).InRangeOnly) {
  }
  DropWordVoters();
  EXPECT_EQ(VotersOf(3, kWord, kRangeLatin), (std::vector<library::CharIndex>{13132}));
}

}  // namespace
}  // namespace engine
