#include "engine/RecognitionRun.h"
namespace engine {
bool FenXi(RecognitionDocument&) { return false; }
void RxRichEditColor(const CharMapList&, platform::ResultPane&) {}
bool RunOnBitmap(const RunJob&) { return false; }
void ScanPage() {}
void CollectComponent(int32_t, int32_t) {}
void FinishLine() {}
}  // namespace engine
