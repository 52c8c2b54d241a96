// A recognised page made by hand, for the output tests.
#include "support/OutputFixtures.h"

namespace outputtest {

app::PageResult TwoLinePage() {
  app::PageResult page;
  page.Image = "scan.png";
  page.PageNumber = 3;
  page.Width = 200;
  page.Height = 100;
  page.PaneLines = {"\xBD\xF1\xCC\xEC A", ""};
  auto block = [](const char* text, core::Box box, std::vector<app::Candidate> candidates,
                  int32_t spaces = 0) {
    app::BlockResult b;
    b.Text = text;
    b.Box = box;
    b.Candidates = std::move(candidates);
    b.SpacesBefore = spaces;
    b.Features.fill(123);
    return b;
  };
  app::LineResult first;
  first.Text = "今天 A";
  first.Box = core::Box{10, 99, 5, 30};
  first.Blocks = {
      block("今", {10, 29, 5, 30}, {{core::MakeCode(0xBD, 0xF1), 64}, {core::MakeCode(0xC1, 0xEE), 50}}),
      block("天", {32, 51, 6, 30}, {{core::MakeCode(0xCC, 0xEC), 32}}), block("", {55, 60, 6, 30}, {}),
      block("A", {80, 99, 8, 30}, {{core::AsciiCode('A'), 47}}, 1)};
  app::LineResult empty;
  empty.Box = core::Box{10, 20, 50, 60};
  empty.Blocks = {block("", {10, 20, 50, 60}, {})};
  page.Lines = {first, empty};
  return page;
}

app::PageResult TwoRegionPage() {
  app::PageResult page = TwoLinePage();
  page.Width = 300;
  page.Height = 200;
  const app::LineResult line = page.Lines[0];
  auto shift = [](core::Box& box, int32_t right, int32_t down) {
    box.Left += right;
    box.Right += right;
    box.Top += down;
    box.Bottom += down;
  };
  auto placed = [&](int32_t right, int32_t down, int32_t region, int32_t paragraph) {
    app::LineResult moved = line;
    shift(moved.Box, right, down);
    for (app::BlockResult& block : moved.Blocks) shift(block.Box, right, down);
    moved.Region = region;
    moved.Paragraph = paragraph;
    return moved;
  };
  page.Lines = {placed(0, 0, 0, 0), placed(0, 40, 0, 0), placed(0, 120, 0, 1), placed(190, 0, 1, 2)};
  page.PaneLines.assign(page.Lines.size(), page.PaneLines[0]);
  page.Regions = {core::Box{10, 99, 5, 150}, core::Box{200, 289, 5, 30}};
  return page;
}

}  // namespace outputtest
