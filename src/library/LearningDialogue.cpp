#include "library/LearningDialogue.h"
namespace library {
namespace {
class SilentWindows : public LearningWindows {
 public:
  std::string AskBlockNumber() override { return ""; }
  WindowResult ShowLibraryWindow() override { return WindowResult::Retry; }
};
LearningWindows* current = nullptr;
}  // namespace
LearningWindows& Windows() { static SilentWindows silent; return current ? *current : silent; }
void SetLearningWindows(LearningWindows* windows) { current = windows; }
void LearningDialogue(engine::BlockList&) {}
std::string RulerLabel(int32_t, int32_t) { return ""; }
}  // namespace library
