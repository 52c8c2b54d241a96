// Column spans of the components inside a box: the first component in column
// order is not reported, isolated first dots end the search, small and thin
// components are dropped, and only strictly overlapping columns merge.
#include <gtest/gtest.h>

#include <vector>

#include "engine/ComponentSpans.h"
#include "support/CellFixtures.h"
#include "support/EngineFixtures.h"

namespace {

using core::Box;
using engine::ComponentBox;

std::vector<ComponentBox> Spans(const Box& box) {
  std::vector<ComponentBox> spans{ComponentBox{}};  // not empty: the call clears it
  engine::FindComponentSpans(box, spans);
  return spans;
}

std::string Describe(const std::vector<ComponentBox>& spans) {
  std::vector<Box> boxes;
  for (const ComponentBox& s : spans) boxes.push_back(Box{s.Left, s.Right, s.Top, s.Bottom});
  return enginetest::DescribeBoxes(boxes);
}

class SpansTest : public ::testing::Test {
 protected:
  void SetUp() override { cells::MakeBlankPage(200, 120); }
  const Box box_{0, 199, 0, 59};
};

TEST_F(SpansTest, FirstComponentIsNotReported) {
  cells::FillInk(5, 15, 5, 25);
  EXPECT_TRUE(Spans(box_).empty()) << "one solid component";
  cells::FillInk(60, 80, 10, 30);
  cells::FillInk(30, 45, 5, 25);
  const auto spans = Spans(box_);
  EXPECT_EQ(Describe(spans), "30-45/5-25 60-80/10-30");
  EXPECT_GE(spans[0].ContourLength, 5);
}

TEST_F(SpansTest, IsolatedFirstDotEndsTheSearch) {
  cells::SetInk(3, 3);
  cells::FillInk(30, 45, 5, 25);
  cells::FillInk(60, 80, 10, 30);
  EXPECT_TRUE(Spans(box_).empty());
}

TEST_F(SpansTest, SmallDotsAndThinStrokesAreDropped) {
  cells::FillInk(2, 5, 5, 25);     // first component, skipped
  cells::FillInk(20, 21, 10, 11);  // 2 x 2 dot: four contour steps
  cells::FillInk(40, 42, 5, 50);   // width 2 < 59 div 6
  cells::FillInk(60, 69, 5, 50);   // width 9 = 59 div 6: kept
  EXPECT_EQ(Describe(Spans(box_)), "60-69/5-50");
}

TEST_F(SpansTest, TouchingColumnsStayApartOverlappingOnesMerge) {
  cells::FillInk(1, 4, 30, 40);  // first component, skipped
  cells::FillInk(10, 20, 2, 8);
  cells::FillInk(20, 30, 15, 25);
  EXPECT_EQ(Describe(Spans(box_)), "10-20/2-8 20-30/15-25");

  cells::MakeBlankPage(200, 120);
  cells::FillInk(1, 4, 30, 40);
  cells::FillInk(10, 21, 2, 8);
  cells::FillInk(20, 30, 15, 25);
  EXPECT_EQ(Describe(Spans(box_)), "10-30/2-8") << "top and bottom of the first record";
}

TEST_F(SpansTest, HoleOfTheFirstComponentIsTraced) {
  cells::FillInk(10, 40, 10, 40);
  for (int32_t y = 20; y <= 30; ++y) {
    for (int32_t x = 20; x <= 30; ++x) engine::SetBit(engine::PageBits, x, y, 0);
  }
  EXPECT_EQ(Describe(Spans(box_)), "19-31/19-31");
}

TEST_F(SpansTest, SearchBoxLimitsTheInkAndTheMapGrows) {
  cells::MakeBlankPage(400, 300);
  cells::FillInk(0, 9, 0, 200);       // outside the box
  cells::FillInk(15, 20, 50, 60);     // first component
  cells::FillInk(100, 180, 40, 250);  // reaches out of the box at the bottom
  cells::FillInk(300, 390, 100, 120);
  const auto spans = Spans(Box{10, 399, 30, 229});  // 390 x 200 pixels: the map grows
  EXPECT_EQ(Describe(spans), "100-180/40-229 300-390/100-120");
  EXPECT_TRUE(Spans(Box{10, 30, 30, 50}).empty()) << "the small box after the big one";
}

}  // namespace
